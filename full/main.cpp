#include <QApplication>

#include "cquillonapp.h"

int main(int argc, char** argv) {
    // The program reads no command-line arguments; Qt gets only the program
    // name so that it does not interpret any either.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    return CQuillonApp().Run();
}
