#include <QApplication>

#include "cquillonapp.h"
#include "quitafter.h"

int main(int argc, char** argv) {
    // The program's only option is the test aid --quit-after; Qt gets only
    // the program name so that it interprets no arguments either.
    int quitAfterMs = 0;
    if (!ParseQuitAfter(argc, argv, &quitAfterMs)) return 2;
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
    StartQuitAfter(quitAfterMs);
    return CQuillonApp().Run();
}
