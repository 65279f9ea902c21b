// Screenshots of the full edition for the documentation: the window with the
// serial port opened on the simulator and the configuration read, once per
// skin, and the wire monitor after a read that got an exception answer. Run
// under a display (xvfb-run) with the CJK fonts installed:
//   quillon-full-screenshots <output folder>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "ccontrolini.h"
#include "cpropcom.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "messages.h"
#include "modulesimulator.h"
#include "tempdir.h"

namespace {

void Pump() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(40);
    }
}

bool Save(QWidget* window, const QString& path) {
    Pump();
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillon-full-screenshots <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    // Any message but the one expected would be a fault here: print it
    // instead of blocking.
    bool messageShown = false;
    QString expectedMessage;
    SetMessageSink([&](QWidget*, const QString& text) {
        if (!expectedMessage.isEmpty() && text == expectedMessage) {
            expectedMessage.clear();
            return;
        }
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        messageShown = true;
    });

    ModuleSimulator sim;
    if (!sim.Start()) return 1;
    TempDir folder;
    const std::string copy = "cp -r '" QUILLON_STYLES_DIR "' '" + folder.path() + "/'";
    if (std::system(copy.c_str()) != 0) std::fprintf(stderr, "no skins: the plain look only\n");
    {
        CControlIni ini;
        ini.SetPath(folder.file("config.ini"));
        ini.WriteString("ports", "com1", sim.DevicePath());
        ini.WriteInt("com", "baudrate", 6);
    }

    CQuillonDlg window(folder.path());
    window.show();
    Pump();
    QTest::mouseClick(window.comPage()->openButton(), Qt::LeftButton);
    QTest::mouseClick(window.readButton(), Qt::LeftButton);

    bool ok = !messageShown && window.port().IsOpen();
    ok = Save(&window, out + "/quillon-full.png") && ok;
    const char* names[CQuillonDlg::kThemeCount] = {"default", "luna", "royale", "vista",
                                                   "office2007"};
    for (int theme = 0; theme < CQuillonDlg::kThemeCount; ++theme) {
        QTest::mouseClick(window.themeRadio(theme), Qt::LeftButton);
        ok = Save(&window, out + "/quillon-full-" + names[theme] + ".png") && ok;
    }
    // The other pages after the read, in the plain look.
    QTest::mouseClick(window.themeRadio(0), Qt::LeftButton);
    const char* pages[] = {"general", "io", "fieldbus"};
    for (int tab = 1; tab <= 3; ++tab) {
        window.tabSheet()->setCurrentIndex(tab);
        ok = Save(&window, out + "/quillon-full-" + pages[tab - 1] + ".png") && ok;
    }
    window.tabSheet()->setCurrentIndex(0);
    ok = Save(&window, out + "/quillon-full-monitor.png") && ok;

    // A read the module refuses: exception 02 for the general block.
    sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    expectedMessage = QString::fromUtf8("获取通用参数失败!");
    QTest::mouseClick(window.readButton(), Qt::LeftButton);
    ok = expectedMessage.isEmpty() && ok;
    ok = Save(&window, out + "/quillon-full-monitor-exception.png") && ok;
    // Leave the plain look selected so that the window closes as it started.
    QTest::mouseClick(window.themeRadio(0), Qt::LeftButton);
    window.port().Close();
    SetMessageSink({});
    return ok && !messageShown ? 0 : 1;
}
