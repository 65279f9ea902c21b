#include <QApplication>
#include <cstdio>

#include "cquillonapp.h"
#include "traceoption.h"

int main(int argc, char** argv) {
    // Qt gets only the program name, so that no toolkit option on the
    // command line changes the program; --trace is read here.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (!options.error.isEmpty())
        std::fprintf(stderr, "Quillon: %s\n", options.error.toLocal8Bit().constData());
    CQuillonApp app;
    app.SetTracePath(options.tracePath.toStdString());
    return app.Run();
}
