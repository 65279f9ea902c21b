#include <QApplication>
#include <cstdio>

#include "cquillonapp.h"
#include "traceoption.h"

int main(int argc, char** argv) {
    // Only the program name is handed on to Qt, so no toolkit option on the
    // command line changes the program; --trace is read here.
    static char fallbackName[] = "Quillon_Simple";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Quillon_Simple"));

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (!options.error.isEmpty())
        std::fprintf(stderr, "Quillon_Simple: %s\n", options.error.toLocal8Bit().constData());
    CQuillonApp app;
    app.SetTracePath(options.tracePath.toStdString());
    return app.InitInstance();
}
