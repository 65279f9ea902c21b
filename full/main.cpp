#include <QApplication>
#include <cstdio>

#include "cquillonapp.h"
#include "program_language.h"
#include "quit_after.h"
#include "trace_option.h"

int main(int argc, char** argv) {
    // The program's options are --trace FILE, --version and the test aid
    // --quit-after, read before the toolkit starts so that --version and a
    // mistake need no display. Qt gets only the program name so that it
    // interprets no arguments either.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (options.version) {
        std::printf("Quillon %s\n", QUILLON_VERSION);
        return 0;
    }
    if (!options.error.isEmpty())
        std::fprintf(stderr, "Quillon: %s\n", options.error.toLocal8Bit().constData());
    int quitAfterMs = 0;
    if (!ParseQuitAfter(argc, argv, &quitAfterMs)) return 2;
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));

    ApplyProgramLanguage(options.language);
    StartQuitAfter(quitAfterMs);
    CQuillonApp app;
    app.SetTracePath(options.tracePath.toStdString());
    return app.Run();
}
