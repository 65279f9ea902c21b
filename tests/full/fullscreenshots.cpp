// Screenshots of the full edition for the documentation: the window with the
// serial port opened on the simulator and the configuration read, once per
// skin, the wire monitor after a read that got an exception answer (also
// detached into its own window), the
// differences dialog of a load from a configuration file, and the port list
// dropped down over a fake tree of serial devices.
// Run under a display (xvfb-run) with the CJK fonts installed:
//   quillon-full-screenshots <output folder> [en]
// With "en", the English window, into quillon-en-*.png.

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ccontrolini.h"
#include "cdlgconfigdiff.h"
#include "cpropcom.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "fakeserialtree.h"
#include "messages.h"
#include "modulesimulator.h"
#include "networkportdialog.h"
#include "procedure_messages.h"
#include "program_language.h"
#include "screenshot_folder.h"
#include "tempdir.h"
#include "wiremonitor.h"

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

// The window's port list dropped down with the pointer on item `row`. The
// dropped-down list is a window of its own, so the screen is grabbed and cut
// to the page's window and the list.
bool SaveDroppedPortList(CQuillonDlg* window, int row, const QString& path) {
    PortComboBox* list = window->comPage()->portList();
    // Number 1 selected, so that the list opens at its top.
    list->setCurrentIndex(0);
    Pump();
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(row, 0));
    Pump();
    const QRect popup = list->view()->window()->frameGeometry();
    QRect shot = window->frameGeometry();
    shot.setRight(qMax(shot.right(), popup.right()));
    shot = shot.intersected(window->screen()->geometry());
    const bool ok =
        window->screen()->grabWindow(0, shot.x(), shot.y(), shot.width(), shot.height()).save(path);
    list->hidePopup();
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The port list of a machine with a UART and three USB adapters.
bool SavePortList(const QString& path) {
    FakeSerialTree tree;
    tree.AddUart("ttyS0", 4);
    for (const char* placeholder : {"ttyS1", "ttyS2", "ttyS3"}) tree.AddUart(placeholder, 0);
    tree.AddUsbSerial("ttyUSB0", "1-2", {"FTDI", "FT232R USB UART", "A1B2C3", "0403", "6001"},
                      "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    tree.AddUsbSerial("ttyUSB1", "1-4", {"QinHeng Electronics", "USB Serial", "", "1a86", "7523"},
                      "ch341", "usb-1a86_USB_Serial-if00-port0");
    tree.AddAcm("ttyACM0", "1-3", {"Tavel", "VX31 USB", "0815", "1234", "5678"},
                "usb-Tavel_VX31_USB_0815-if00");

    // The test aid: discovery reads the fake tree instead of /dev and /sys.
    setenv("QUILLON_DEV_ROOT", tree.Dev().c_str(), 1);
    setenv("QUILLON_SYSFS_ROOT", tree.Sys().c_str(), 1);
    TempDir folder;
    CQuillonDlg window(folder.path());
    window.move(0, 0);
    window.show();
    // The pointer rests on the FTDI adapter.
    return SaveDroppedPortList(&window, 2, path);
}

// The port list with network entries, dropped down with the pointer on
// one, and the dialog of its item "添加网络端口...".
bool SaveNetworkPorts(const QString& listPath, const QString& dialogPath) {
    TempDir folder;
    {
        CControlIni ini;
        ini.SetPath(folder.file("config.ini"));
        ini.WriteString("ports", "com7", "rfc2217://127.0.0.1:4001");
        ini.WriteString("ports", "com8", "socket://127.0.0.1:4002");
        ini.WriteString("ports", "com9", "modbus-tcp://127.0.0.1");
    }
    CQuillonDlg window(folder.path());
    window.move(0, 0);
    window.show();
    bool ok = SaveDroppedPortList(&window, 6, listPath);

    NetworkPortDialog dialog(&window);
    dialog.hostEdit()->setText(QStringLiteral("127.0.0.1"));
    dialog.show();
    ok = Save(&dialog, dialogPath) && ok;
    dialog.hide();
    return ok;
}

// A module that differs from its saved file in a few fields of several
// groups, the device information among them, loaded from that file: the
// dialog as it asks for confirmation.
bool SaveDiffDialog(CQuillonDlg* window, ModuleSimulator* sim, const QString& folder,
                    const QString& path) {
    const QString file = folder + "/vx31-line3-station12.json";
    // Saving says so in a message, which is no fault here.
    MessageSink previous = SetMessageSink([](QWidget*, const QString&) {});
    window->SaveToFile(file);
    SetMessageSink(previous);
    sim->SetRegister(0x5011, 2500);    // watchdog
    sim->SetRegister(0x500E, 0x8A02);  // 9600 baud, 2 stop bits, even parity
    sim->SetRegister(0x6002, 32);      // output length
    sim->SetRegister(0x7004, 0x0031);  // node address
    sim->SetRegister(0x7011, 0x5354);  // product name

    bool ok = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CDlgConfigDiff*>(top);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            poll.stop();
            ok = Save(dialog, path);
            dialog->reject();
            return;
        }
    });
    poll.start();
    window->LoadFromFile(file);
    poll.stop();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QString out;
    if (!TakeScreenshotArguments(argc, argv, "quillon-full-screenshots", &out)) return 2;

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
    PrepareScreenshotFolder(folder, sim);

    CQuillonDlg window(folder.path());
    window.show();
    Pump();
    QTest::mouseClick(window.comPage()->openButton(), Qt::LeftButton);
    QTest::mouseClick(window.readButton(), Qt::LeftButton);

    bool ok = !messageShown && window.port().IsOpen();
    ok = Save(&window, out + "full.png") && ok;
    const char* names[CQuillonDlg::kThemeCount] = {"default", "luna", "royale", "vista",
                                                   "office2007"};
    for (int theme = 0; theme < CQuillonDlg::kThemeCount; ++theme) {
        QTest::mouseClick(window.themeRadio(theme), Qt::LeftButton);
        ok = Save(&window, out + "full-" + names[theme] + ".png") && ok;
    }
    // The other pages after the read, in the plain look.
    QTest::mouseClick(window.themeRadio(0), Qt::LeftButton);
    const char* pages[] = {"general", "io", "fieldbus"};
    for (int tab = 1; tab <= 3; ++tab) {
        window.tabSheet()->setCurrentIndex(tab);
        ok = Save(&window, out + "full-" + pages[tab - 1] + ".png") && ok;
    }
    window.tabSheet()->setCurrentIndex(0);
    ok = Save(&window, out + "full-monitor.png") && ok;

    // A read the module refuses: exception 02 for the general block.
    sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    expectedMessage = ReadFailedText(ConfigBlock::General);
    QTest::mouseClick(window.readButton(), Qt::LeftButton);
    ok = expectedMessage.isEmpty() && ok;
    ok = Save(&window, out + "full-monitor-exception.png") && ok;
    // The monitor in a window of its own, large enough for every column.
    WireMonitor* monitor = window.comPage()->monitor();
    monitor->SetDetached(true);
    monitor->detachedWindow()->resize(1200, 700);
    Pump();
    ok = Save(monitor->detachedWindow(), out + "monitor-detached.png") && ok;
    monitor->SetDetached(false);
    ok = SaveDiffDialog(&window, &sim, QString::fromStdString(folder.path()),
                        out + "config-diff.png") &&
         ok;
    // Leave the plain look selected so that the window closes as it started.
    QTest::mouseClick(window.themeRadio(0), Qt::LeftButton);
    window.port().Close();
    window.hide();
    ok = SavePortList(out + "port-list.png") && ok;
    ok = SaveNetworkPorts(out + "network-ports.png", out + "network-port-dialog.png") && ok;
    SetMessageSink({});
    return ok && !messageShown ? 0 : 1;
}
