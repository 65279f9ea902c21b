// Screenshots of the simple edition for the documentation: each tab after
// the configuration was read from the simulator.
// Run under a display (xvfb-run) with the CJK fonts installed:
//   quillon-simple-screenshots <output folder> [en]
// With "en", the English window, into quillon-en-simple-*.png.

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "cpropcfg.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "messages.h"
#include "modulesimulator.h"
#include "program_language.h"
#include "screenshot_folder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QString prefix;
    if (!TakeScreenshotArguments(argc, argv, "quillon-simple-screenshots", &prefix)) return 2;
    const QString out = prefix + QStringLiteral("simple");
    bool messageShown = false;
    SetMessageSink([&](QWidget*, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        messageShown = true;
    });
    ModuleSimulator sim;
    if (!sim.Start()) return 1;
    TempDir folder;
    PrepareScreenshotFolder(folder, sim);
    CQuillonDlg window(folder.path());
    window.show();
    QTest::qWait(200);
    QTest::mouseClick(window.cfgPage()->readConfigButton(), Qt::LeftButton);
    bool ok = !messageShown;
    const char* tabs[] = {"", "-io", "-monitor"};
    for (int tab = 0; tab < 3; ++tab) {
        window.tabSheet()->setCurrentIndex(tab);
        QTest::qWait(200);
        const QString path = out + tabs[tab] + ".png";
        const bool saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok = ok && saved;
    }
    SetMessageSink({});
    return ok && !messageShown ? 0 : 1;
}
