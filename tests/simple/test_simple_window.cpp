// The simple edition's window: start-up, port opening, the page's controls,
// closing, keys, and the config.ini it shares with the full edition.

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "ccontrolini.h"
#include "cpropio.h"
#include "cquillonapp.h"
#include "cserialport.h"
#include "ctabsheet.h"
#include "fakeserialtree.h"
#include "golden.h"
#include "simplefixture.h"
#include "skinmanager.h"
#include "wiremonitor.h"
#include "wiremonitormodel.h"

namespace {

// Tells whether anybody opened a file since the watch was set.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) inotify_add_watch(m_fd, path.c_str(), IN_OPEN);
    }
    ~OpenWatch() {
        if (m_fd >= 0) close(m_fd);
    }
    bool valid() const { return m_fd >= 0; }
    bool Opened() {
        char buffer[4096];
        return read(m_fd, buffer, sizeof buffer) > 0;
    }

private:
    int m_fd = -1;
};

const QStringList kBitRates = {"2400",  "4800",   "9600",   "19200",  "38400",
                               "57600", "115200", "230400", "460800", "614400 "};
const QStringList kDeviceModes = {"启动", "复位", "恢复出厂默认"};
const QStringList kModuleStates = {"Initialisation", "Stopped", "Operational", "PreOperational"};
const QStringList kCanBitRates = {"0：1 Mbps",   "1：800 kbps", "2：500 kbps",
                                  "3：250 kbps", "4：125 kbps", "5：100 kbps",
                                  "6：50 kbps",  "7：20 kbps",  "8：10 kbps"};

using StartupTest = SimpleWindowTest;

TEST_F(StartupTest, PortOneAt2400IsOpenedAtStart) {
    WriteConfig("");
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(Page().portList()->currentText(), "1");
    EXPECT_EQ(Page().bitRateList()->currentText(), "2400");
    EXPECT_TRUE(window.port()->IsOpen());
    EXPECT_EQ(window.port()->TimeoutMs(), SerialTimeoutMs(2400));
    EXPECT_EQ(Page().openPortButton()->text(), "关闭串口");
    EXPECT_EQ(Page().portList()->toolTip().toStdString(), m_sim.DevicePath());
    EXPECT_TRUE(m_messages.messages().isEmpty());
    // Opening sends nothing to the module.
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

TEST_F(StartupTest, WithoutConfigFileNothingIsCreatedAndTheFirstItemsAreSelected) {
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(Page().portList()->currentIndex(), 0);
    EXPECT_EQ(Page().bitRateList()->currentIndex(), 0);
    EXPECT_EQ(Page().deviceModeList()->currentIndex(), 0);
    EXPECT_EQ(Page().moduleStateList()->currentIndex(), 0);
    EXPECT_EQ(Page().canBitRateList()->currentIndex(), 0);
    EXPECT_EQ(Page().indicatorRow()->ReadInterruptMask(), 0);
    EXPECT_EQ(Page().nodeAddressBox()->text(), "");
    EXPECT_EQ(Page().portList()->toolTip(), "/dev/ttyS0");
    // Port 1 was tried: either it opened or the failure was told.
    if (!window.port()->IsOpen()) {
        ASSERT_EQ(m_messages.messages().size(), 1);
        EXPECT_TRUE(m_messages.messages()[0].startsWith("打开串口失败!\n"));
        EXPECT_EQ(Page().openPortButton()->text(), "打开串口");
    }
    EXPECT_FALSE(m_folder.IniExists());
}

// The discovery roots are taken from the environment when the page is made.
class DiscoveryRootsOverride {
public:
    explicit DiscoveryRootsOverride(const DiscoveryRoots& roots)
        : m_dev(qgetenv("QUILLON_DEV_ROOT")), m_sys(qgetenv("QUILLON_SYSFS_ROOT")) {
        qputenv("QUILLON_DEV_ROOT", roots.dev.c_str());
        qputenv("QUILLON_SYSFS_ROOT", roots.sys.c_str());
    }
    ~DiscoveryRootsOverride() {
        qputenv("QUILLON_DEV_ROOT", m_dev);
        qputenv("QUILLON_SYSFS_ROOT", m_sys);
    }

private:
    QByteArray m_dev, m_sys;
};

TEST_F(StartupTest, AnAdapterGetsPortOneAndItsOpenFailureIsExplained) {
    FakeSerialTree tree;
    tree.AddUart("ttyS0", 0);  // a placeholder leaves port 1 free
    tree.AddUsbSerial("ttyUSB0", "1-2", {"FTDI", "FT232R USB UART", "A1B2C3", "0403", "6001"},
                      "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    const DiscoveryRootsOverride roots(tree.roots());
    CQuillonDlg& window = OpenWindow();

    EXPECT_EQ(Page().portList()->itemText(0), "1 — ttyUSB0 · FT232R USB UART · A1B2C3");
    EXPECT_EQ(Page().portList()->itemText(1), "2");
    // A box too narrow even for "1…" still shows the number.
    const QSize box = Page().portList()->size();
    Page().portList()->resize(28, box.height());
    EXPECT_EQ(Page().portList()->ShownText(), "1");
    Page().portList()->resize(box);
    EXPECT_TRUE(Page().portList()->ShownText().startsWith("1 ")) << qPrintable(Page().portList()->ShownText());
    EXPECT_EQ(Page().portList()->toolTip().toStdString(), byId);
    EXPECT_EQ(m_folder.IniText("ports", "com1"), byId);
    // The fake adapter has no node in the real /dev: the start-up open says so.
    EXPECT_FALSE(window.port()->IsOpen());
    EXPECT_EQ(m_messages.messages(), QStringList{QString::fromStdString(
                                         "打开串口失败!\n找不到设备 " + byId +
                                         "：适配器是否已拔出？请插好后重试，或选择其他串口号。")});

    tree.AddAcm("ttyACM0", "1-3", {"Tavel", "VX31 USB", "", "1234", "5678"},
                "usb-Tavel_VX31_USB-if00");
    Page().portList()->showPopup();
    Page().portList()->hidePopup();
    EXPECT_EQ(Page().portList()->itemText(1), "2 — ttyACM0 · VX31 USB");
    EXPECT_EQ(Page().portList()->currentIndex(), 0);
    EXPECT_EQ(m_folder.IniText("ports", "com2"), "/dev/serial/by-id/usb-Tavel_VX31_USB-if00");
}

TEST_F(StartupTest, AMissingDeviceIsAFailedOpen) {
    const std::string missing = m_folder.path() + "/no-such-device";
    m_folder.WritePorts(missing);
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(m_messages.messages(), QStringList{QString::fromStdString(
                                         "打开串口失败!\n找不到设备 " + missing +
                                         "：适配器是否已拔出？请插好后重试，或选择其他串口号。")});
    EXPECT_EQ(Page().openPortButton()->text(), "打开串口");
    EXPECT_FALSE(window.port()->IsOpen());

    // Mapped to the module now, the button opens it.
    m_messages.clear();
    WriteConfig("");
    Click(Page().openPortButton());
    EXPECT_TRUE(window.port()->IsOpen());
    EXPECT_EQ(Page().openPortButton()->text(), "关闭串口");
    Click(Page().openPortButton());
    EXPECT_FALSE(window.port()->IsOpen());
    EXPECT_EQ(Page().openPortButton()->text(), "打开串口");
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(StartupTest, NoBitRateOrPortIsAFailedOpenWithoutTouchingADevice) {
    // A second module's terminal stands in for the device: nobody but the
    // window can open it while the test watches.
    ModuleSimulator other;
    ASSERT_TRUE(other.Start());
    const std::string device = other.DevicePath();
    struct Case {
        const char* com;
        const char* baudrate;
        bool touched;
        const char* reason;
    };
    const Case cases[] = {{"0", "0", true, ""},
                          {"0", "10", false, "没有选择波特率。"},
                          {"0", "-1", false, "没有选择波特率。"},
                          {"300", "0", false, "没有选择串口号。"}};
    for (const Case& c : cases) {
        m_window.reset();
        m_messages.clear();
        m_folder.WritePorts(
            device, std::string("[com]\r\ncom=") + c.com + "\r\nbaudrate=" + c.baudrate + "\r\n");
        OpenWatch watch(device);
        ASSERT_TRUE(watch.valid());
        CQuillonDlg& window = OpenWindow();
        EXPECT_EQ(watch.Opened(), c.touched) << c.com << "/" << c.baudrate;
        if (c.touched) {
            // The control case: a usable selection opens the device.
            EXPECT_TRUE(window.port()->IsOpen());
            EXPECT_TRUE(m_messages.messages().isEmpty());
            continue;
        }
        EXPECT_FALSE(window.port()->IsOpen());
        EXPECT_EQ(m_messages.messages(),
                  QStringList{QString("打开串口失败!\n") + QString::fromUtf8(c.reason)})
            << c.com << "/" << c.baudrate;
        EXPECT_EQ(Page().openPortButton()->text(), "打开串口");
    }
}

TEST_F(StartupTest, OfficeSkinComesFromStylesBesideTheProgram) {
    WriteConfig();
    OpenWindow();
    // Without Styles/ the plain look is in force and the program works.
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().isEmpty());
    EXPECT_TRUE(m_window->port()->IsOpen());
    m_window.reset();

    const std::string styles = m_folder.path() + "/Styles";
    ASSERT_EQ(mkdir(styles.c_str(), 0755), 0);
    std::ofstream(styles + "/Office2007.cjstyles") << "QPushButton { padding: 1px; }\n";
    std::ofstream(styles + "/Vista.cjstyles") << "QPushButton { padding: 2px; }\n";
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(window.skinFolder(), styles + "/");
    EXPECT_EQ(SkinManager::Instance().CurrentSkin().toStdString(), styles + "/Office2007.cjstyles");
    SkinManager::Instance().LoadSkin(QString());
}

using WindowTest = SimpleWindowTest;

TEST_F(WindowTest, WindowHasItsTabsAndAFixedSize) {
    WriteConfig();
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(window.windowTitle(), "Tavel VX31 简化版 V1.02");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    CTabSheet* sheet = window.tabSheet();
    ASSERT_EQ(sheet->count(), 3);
    EXPECT_EQ(sheet->tabText(0), "配置");
    EXPECT_EQ(sheet->tabText(1), "I/O");
    EXPECT_EQ(sheet->tabText(2), "通信");
    EXPECT_EQ(sheet->widget(0), window.cfgPage());
    EXPECT_EQ(sheet->widget(1), window.ioPage());
    EXPECT_EQ(sheet->widget(2), window.monitor());
    EXPECT_EQ(sheet->currentIndex(), 0);
    EXPECT_EQ(sheet->geometry(), window.rect());
    // Each page gets its 470 x 470 client area.
    for (int i = 0; i < 3; ++i) {
        sheet->setCurrentIndex(i);
        QApplication::processEvents();
        EXPECT_GE(sheet->currentWidget()->width(), 470) << i;
        EXPECT_GE(sheet->currentWidget()->height(), 470) << i;
    }
}

// The "通信" tab's panel goes into a window of its own and comes back; the
// tab keeps its place meanwhile.
TEST_F(WindowTest, CommunicationTabDetachesIntoAWindowAndComesBack) {
    WriteConfig();
    CQuillonDlg& window = OpenWindow();
    WireMonitor* monitor = window.monitor();
    Click(monitor->detachButton());
    ASSERT_TRUE(monitor->IsDetached());
    EXPECT_TRUE(monitor->detachedWindow()->isWindow());
    EXPECT_TRUE(monitor->detachedWindow()->isAncestorOf(monitor->view()));
    EXPECT_EQ(window.tabSheet()->widget(2), monitor);
    Click(monitor->detachButton());
    EXPECT_FALSE(monitor->IsDetached());
    EXPECT_TRUE(monitor->isAncestorOf(monitor->view()));
    EXPECT_GT(m_folder.IniInt("monitor", "width"), 0);
}

TEST_F(WindowTest, CommunicationTabShowsTheTrafficAndTheTraceFileHoldsIt) {
    WriteConfig();
    const std::string trace = m_folder.path() + "/trace.txt";
    int rows = 0;
    QTimer::singleShot(0, [&rows] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CQuillonDlg*>(w);
            if (dlg == nullptr || !dlg->isVisible()) continue;
            QTest::mouseClick(dlg->cfgPage()->readConfigButton(), Qt::LeftButton);
            dlg->monitor()->Flush();
            rows = dlg->monitor()->model()->rowCount();
            dlg->close();
        }
    });
    CQuillonApp app(m_folder.path());
    app.SetTracePath(trace);
    app.InitInstance();

    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join('|').toStdString();
    EXPECT_EQ(rows, 2 * static_cast<int>(m_sim.RequestCount()));
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("# Quillon_Simple 开始跟踪 ", 0), 0u) << text;
    EXPECT_NE(text.find("\t发送\t8\t\t读 0x5001×31 通用参数\t01 03 50 01 00 1F 44 C2\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\t接收\t67\t"), std::string::npos) << text;
}

TEST_F(WindowTest, PageHasEveryControlWithItsItems) {
    WriteConfig();
    OpenWindow();
    CPropCfg& page = Page();
    ASSERT_EQ(page.portList()->count(), 256);
    for (int i = 0; i < 255; ++i) ASSERT_EQ(page.portList()->itemText(i), QString::number(i + 1));
    EXPECT_EQ(page.portList()->itemText(255), QString::fromUtf8("添加网络端口..."));
    EXPECT_EQ(Items(page.bitRateList()), kBitRates);
    EXPECT_EQ(Items(page.canBitRateList()), kCanBitRates);
    EXPECT_EQ(Items(page.moduleStateList()), kModuleStates);
    EXPECT_EQ(Items(page.deviceModeList()), kDeviceModes);
    EXPECT_FALSE(page.moduleStateList()->isEnabled());
    EXPECT_TRUE(page.networkTimeBox()->isReadOnly());

    EXPECT_EQ(page.changeBaudButton()->text(), "改变波特率");
    EXPECT_EQ(page.sendEmergencyButton()->text(), "发送");
    EXPECT_EQ(page.getNetworkTimeButton()->text(), "获取");
    EXPECT_EQ(page.sendDeviceModeButton()->text(), "发送");
    EXPECT_EQ(page.readConfigButton()->text(), "读取配置");
    EXPECT_EQ(page.modifyConfigButton()->text(), "修改配置");
    EXPECT_FALSE(page.modifyConfigButton()->isEnabled());
    EXPECT_FALSE(page.changeBaudButton()->isEnabled());

    QStringList labels;
    for (const QLabel* label : page.findChildren<QLabel*>()) labels << label->text();
    for (const char* text :
         {"串口号:", "波特率:", "输入I/O长度:", "输出I/O长度:", "节点地址:", "CAN波特率:",
          "标准错误码:", "自定义:", "网络时间标识:", "模块状态:", "设备模式:"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(labels.count("(dec)"), 3);
    QStringList groups;
    for (const QGroupBox* group : page.findChildren<QGroupBox*>()) groups << group->title();
    groups.sort();
    QStringList expectedGroups = {"中断配置", "通信参数", "紧急报文"};
    expectedGroups.sort();
    EXPECT_EQ(groups, expectedGroups);

    // The lamps: 40 x 18 each, side by side from (20, 98), bit 9 first.
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(page.indicatorRow()->button(k)->geometry(), QRect(20 + 40 * k, 98, 40, 18)) << k;
}

TEST_F(WindowTest, ControlsLieInsideThePageWithoutOverlapping) {
    WriteConfig();
    OpenWindow();
    const QRect pageRect(0, 0, 470, 470);
    QList<QWidget*> controls;
    QList<QGroupBox*> groups;
    for (QObject* child : Page().children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow()) continue;
        EXPECT_TRUE(pageRect.contains(widget->geometry())) << widget->metaObject()->className();
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            groups << group;
        else
            controls << widget;
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->metaObject()->className() << " " << i << " / "
                << controls[j]->metaObject()->className() << " " << j;
    // A control either lies inside a group or clear of it.
    for (QGroupBox* group : groups)
        for (QWidget* control : controls) {
            const QRect r = control->geometry();
            EXPECT_TRUE(group->geometry().contains(r) || !group->geometry().intersects(r))
                << group->title().toStdString();
        }
}

TEST_F(WindowTest, ClosingClosesThePortAndSavesTheIoPage) {
    WriteConfig();
    CQuillonDlg& window = OpenWindow();
    ASSERT_TRUE(window.port()->IsOpen());
    EXPECT_EQ(m_folder.IniBytes().find("outinterval"), std::string::npos);
    window.close();
    EXPECT_FALSE(window.port()->IsOpen());
    EXPECT_FALSE(window.isVisible());
    const std::string text = m_folder.IniBytes();
    for (const char* key :
         {"outinterval=", "ininterval=", "eventinterval=", "inputdata=", "outputdata="})
        EXPECT_NE(text.find(key), std::string::npos) << key;
    // The configuration page saves only after a successful modify.
    EXPECT_EQ(text.find("addrcfg"), std::string::npos);
    EXPECT_EQ(text.find("modmode"), std::string::npos);
}

TEST_F(WindowTest, ARefusedIntervalBoxKeepsItsStoredValueAndEveryOtherKeyIsSaved) {
    WriteConfig(
        "[ioprm]\r\noutinterval=200\r\nininterval=300\r\neventinterval=400\r\n"
        "inputdata=1 2 3\r\noutputdata=a b\r\n");
    CQuillonDlg& window = OpenWindow();
    window.ioPage()->findChild<QLineEdit*>("eventIntervalBox")->setText("abc");
    window.ioPage()->findChild<QLineEdit*>("inIntervalBox")->setText("70");
    window.close();
    EXPECT_EQ(m_messages.messages(), QStringList({"请输入一个整数。"}));
    EXPECT_EQ(m_folder.IniRaw("ioprm", "eventinterval"), "400");
    EXPECT_EQ(m_folder.IniRaw("ioprm", "ininterval"), "70");
    EXPECT_EQ(m_folder.IniRaw("ioprm", "outinterval"), "200");
    EXPECT_EQ(m_folder.IniRaw("ioprm", "changed"), "");
    EXPECT_EQ(m_folder.IniRaw("ioprm", "inputdata"), "01 02 03 ");
    EXPECT_EQ(m_folder.IniRaw("ioprm", "outputdata"), "0A 0B ");
}

TEST_F(WindowTest, ClosingWithThePortClosedStillSaves) {
    WriteConfig();
    CQuillonDlg& window = OpenWindow();
    Click(Page().openPortButton());
    window.close();
    EXPECT_FALSE(window.port()->IsOpen());
    EXPECT_NE(m_folder.IniBytes().find("eventinterval="), std::string::npos);
}

TEST_F(WindowTest, EnterAndEscapeDoNotCloseTheWindow) {
    WriteConfig();
    CQuillonDlg& window = OpenWindow();
    QApplication::setActiveWindow(&window);
    QWidget* targets[] = {&window, Page().nodeAddressBox(), Page().readConfigButton(),
                          Page().portList()};
    for (QWidget* target : targets) {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(target, key);
            EXPECT_TRUE(window.isVisible()) << target->metaObject()->className() << " " << key;
        }
    }
    EXPECT_EQ(window.result(), 0);
    EXPECT_TRUE(window.port()->IsOpen());
    // Enter on the focused read button did not press it.
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

// Both editions may share one config.ini: the keys they have in common carry
// the same list positions and texts.
using SharedConfigTest = SimpleWindowTest;

TEST_F(SharedConfigTest, ReadsWhatTheFullEditionWrote) {
    // As the full edition leaves it: its own keys mixed in, LF line ends.
    m_folder.WriteIni(
        "[ports]\ncom1=" + m_sim.DevicePath() + "\ncom3=" + m_sim.DevicePath() + "\n" +
        "[com]\ncom=2\nbaudrate=6\nbytebits=1\nstopbits=2\nflowctrl=0\nparity=1\n"
        "[general]\nmodmode=2\nmodtype=0\nswitchcoding=1\ninterrupt=513\nwatchdog=100\n"
        "[theme]\nid=3\n"
        "[ioprm]\ninput=8\noutput=16\nchanged=\noutinterval=100\nininterval=200\n"
        "eventinterval=300\ninputdata=01 02 \noutputdata=\n"
        "[fieldbus]\nmodstatus=3\nfbstatus=2\naddrcfg=1A\naddractual=1A\n"
        "emcycode1=81 10 \nemcycode2=00 01 \nproductname=Tavel\n");
    CQuillonDlg& window = OpenWindow();
    EXPECT_EQ(Page().portList()->currentText(), "3");
    EXPECT_EQ(Page().bitRateList()->currentText(), "115200");
    EXPECT_TRUE(window.port()->IsOpen());
    EXPECT_EQ(window.port()->TimeoutMs(), SerialTimeoutMs(115200));
    EXPECT_EQ(Page().deviceModeList()->currentText(), "恢复出厂默认");
    EXPECT_EQ(Page().indicatorRow()->ReadInterruptMask(), 513);
    EXPECT_EQ(Page().indicatorRow()->button(0)->state(), CButtonEx::Lit);  // SYSS, bit 9
    EXPECT_EQ(Page().indicatorRow()->button(9)->state(), CButtonEx::Lit);  // START, bit 0
    EXPECT_EQ(Page().inputLengthBox()->text(), "8");
    EXPECT_EQ(Page().outputLengthBox()->text(), "16");
    EXPECT_EQ(Page().moduleStateList()->currentText(), "PreOperational");
    EXPECT_EQ(Page().nodeAddressBox()->text(), "1A");
    EXPECT_EQ(Page().emergencyCodeBox()->text(), "81 10");
    EXPECT_EQ(Page().emergencyCustomBox()->text(), "00 01");
    // A key the full edition does not have reads as its first item.
    EXPECT_EQ(Page().canBitRateList()->currentIndex(), 0);
}

TEST_F(SharedConfigTest, WritesWhatTheFullEditionReadsWithTheSameMeaning) {
    m_sim.SetRegister(0x7002, 4);
    WriteConfig("[com]\r\nbaudrate=6\r\nbytebits=1\r\n[theme]\r\nid=3\r\n");
    OpenWindow();
    Click(Page().readConfigButton());
    ASSERT_TRUE(m_messages.messages().isEmpty());
    // The user's choices, by text.
    Page().portList()->setCurrentIndex(Page().portList()->findText("1"));
    Page().bitRateList()->setCurrentIndex(Page().bitRateList()->findText("57600"));
    Page().deviceModeList()->setCurrentIndex(Page().deviceModeList()->findText("复位"));
    SetLamps(0x0208);
    Page().inputLengthBox()->setText("6");
    Page().outputLengthBox()->setText("7");
    Page().nodeAddressBox()->setText("2B");
    Page().emergencyCodeBox()->setText("81 10");
    Page().emergencyCustomBox()->setText("00 01");
    Click(Page().modifyConfigButton());
    ASSERT_EQ(m_messages.messages(), QStringList{"修改配置成功!"});

    auto readInt = [this](const char* section, const char* key) {
        return m_folder.IniInt(section, key);
    };
    auto readText = [this](const char* section, const char* key) {
        return m_folder.IniText(section, key);
    };
    // Positions in the full edition's lists.
    EXPECT_EQ(readInt("com", "com"), 0);  // "1"
    EXPECT_EQ(kBitRates.value(readInt("com", "baudrate")), "57600");
    EXPECT_EQ(kDeviceModes.value(readInt("general", "modmode")), "复位");
    EXPECT_EQ(readInt("general", "interrupt"), 0x0208);
    EXPECT_EQ(readInt("ioprm", "input"), 6);
    EXPECT_EQ(readInt("ioprm", "output"), 7);
    EXPECT_EQ(kModuleStates.value(readInt("fieldbus", "modstatus")), "Stopped");
    EXPECT_EQ(readText("fieldbus", "addrcfg"), "2B");
    EXPECT_EQ(readText("fieldbus", "emcycode1"), "81 10");
    EXPECT_EQ(readText("fieldbus", "emcycode2"), "00 01");
    // The full edition's own keys are left alone.
    EXPECT_EQ(readInt("com", "bytebits"), 1);
    EXPECT_EQ(readInt("theme", "id"), 3);
}

// Every moment the simple edition writes config.ini, in one session that
// starts from a file the full edition wrote, with comments and foreign
// sections: the file must come out as it always has, byte for byte.
TEST_F(SharedConfigTest, ASessionWritesConfigIniByteForByteAsBefore) {
    WriteConfig(
        "; kept by hand\r\n[com]\r\nbaudrate=6\r\nparity=2\r\n\r\n[general]\r\n"
        "modmode=9\r\ncrc=1\r\n[fieldbus]\r\naddrcfg=旧地址\r\nrevision=7\r\n"
        "[ioprm]\r\ninputdata=11 22 33 \r\nchanged=AA\r\n[extra]\r\nkept=yes\r\n");
    CQuillonDlg& window = OpenWindow();
    ASSERT_TRUE(window.port()->IsOpen());
    Click(Page().readConfigButton());
    Page().inputLengthBox()->setText("8");
    Page().outputLengthBox()->setText("10");
    Page().nodeAddressBox()->setText("1A");
    Page().canBitRateList()->setCurrentIndex(3);
    Page().deviceModeList()->setCurrentIndex(1);
    SetLamps(0x0201);
    Click(Page().modifyConfigButton());

    Page().emergencyCodeBox()->setText("81 10");
    Page().emergencyCustomBox()->setText("紧急");
    Click(Page().sendEmergencyButton());

    CPropIo* io = window.ioPage();
    io->findChild<QLineEdit*>("outIntervalBox")->setText("40");
    Click(io->findChild<QPushButton*>("writeButton"));
    Click(io->findChild<QPushButton*>("readButton"));

    Page().bitRateList()->setCurrentIndex(4);
    Click(Page().changeBaudButton());
    window.close();
    EXPECT_EQ(m_messages.messages(),
              (QStringList{"修改配置成功!", "发送紧急代码成功!", "修改波特率成功!"}));
    ExpectSameBytesAs("session_simple.ini", m_folder.IniBytes(), m_sim.DevicePath());
}

}  // namespace
