#include <QApplication>

#include "cquillonapp.h"
#include "quitafter.h"

int main(int argc, char** argv) {
    // The program's only option is the test aid --quit-after; only the
    // program name is handed on, so no toolkit option on the command line
    // changes it either.
    int quitAfterMs = 0;
    if (!ParseQuitAfter(argc, argv, &quitAfterMs)) return 2;
    static char fallbackName[] = "Quillon_Simple";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Quillon_Simple"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.QuillonSimple"));
    StartQuitAfter(quitAfterMs);
    CQuillonApp app;
    return app.InitInstance();
}
