// The serial-port page against the simulator's pseudo-terminal: lists,
// opening and closing, the remembered [com] settings and their messages.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "cpropcom.h"
#include "cserialport.h"
#include "fakeserialtree.h"
#include "full_harness.h"
#include "iniportdirectory.h"
#include "messagerecorder.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"
#include "moduleworker.h"

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

class SerialPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        m_folder.WritePorts(m_sim.DevicePath(), "com3=/nonexistent/quillon-tty\r\n");
        m_port.SetPortDirectory(&m_directory);
    }
    void TearDown() override { m_port.Close(); }

    // A page as the main window sets it up.
    std::unique_ptr<CPropCom> MakePage() {
        auto page = std::make_unique<CPropCom>();
        page->SetPointers(&m_port, &m_folder.ini());
        page->SetWorker(&m_worker, nullptr);
        page->Initialise();
        return page;
    }

    // A register read over the open port: proves the line really works.
    bool LineAnswers() {
        ModbusRequest request;
        request.port = &m_port;
        request.function = 3;
        request.start = 0x6001;
        request.quantity = 1;
        uint8_t response[kModbusBufferSize] = {};
        uint8_t received = 0;
        return ModbusTransact(request, response, &received) == 0 && received == 7 &&
               response[1] == 3;
    }

    ModuleSimulator m_sim;
    ProgramFolder m_folder;
    IniPortDirectory m_directory{&m_folder.ini()};
    CSerialPort m_port;
    ModuleWorker m_worker{nullptr};
    MessageRecorder m_messages;
};

TEST_F(SerialPage, ListsHoldTheirExactItems) {
    auto page = MakePage();
    const QStringList ports = Items(page->portList());
    ASSERT_EQ(ports.size(), 256);
    for (int n = 1; n <= 255; ++n) EXPECT_EQ(ports[n - 1], QString::number(n));
    EXPECT_EQ(ports[255], U("添加网络端口..."));
    EXPECT_EQ(Items(page->baudList()),
              (QStringList{"2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400",
                           "460800", "614400 "}));
    EXPECT_EQ(Items(page->dataBitsList()), (QStringList{"8", "7", "6", "5"}));
    EXPECT_EQ(Items(page->stopBitsList()), (QStringList{"1", "1.5", "2"}));
    EXPECT_EQ(Items(page->flowList()), (QStringList{U("无"), U("软件流控"), U("硬件流控")}));
    EXPECT_EQ(Items(page->parityList()), (QStringList{U("无校验"), U("奇校验"), U("偶校验")}));
    for (const QComboBox* list : page->findChildren<QComboBox*>()) EXPECT_FALSE(list->isEditable());
    EXPECT_EQ(page->openButton()->text(), U("打开"));
    EXPECT_EQ(page->closeButton()->text(), U("关闭"));
}

TEST_F(SerialPage, PortTooltipNamesTheMappedDevice) {
    auto page = MakePage();
    EXPECT_EQ(page->portList()->toolTip().toStdString(), m_sim.DevicePath());
    page->portList()->setCurrentIndex(2);
    EXPECT_EQ(page->portList()->toolTip(), U("/nonexistent/quillon-tty"));
    page->portList()->setCurrentIndex(4);
    EXPECT_EQ(page->portList()->toolTip(), U("/dev/ttyS4"));
}

TEST_F(SerialPage, PortListNamesPresentDevicesAndLooksAgainWhenDroppedDown) {
    FakeSerialTree tree;
    tree.AddUsbSerial("ttyUSB0", "1-2", {"FTDI", "FT232R USB UART", "A1B2C3", "0403", "6001"},
                      "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    auto page = std::make_unique<CPropCom>();
    page->SetPointers(&m_port, &m_folder.ini());
    page->portList()->SetDiscoveryRoots(tree.roots());
    page->Initialise();

    // 1 and 3 are taken in [ports]: the adapter gets 2.
    PortComboBox* list = page->portList();
    ASSERT_EQ(list->count(), 256);
    EXPECT_EQ(list->itemText(0), U("1"));
    EXPECT_EQ(list->itemText(1), U("2 — ttyUSB0 · FT232R USB UART · A1B2C3"));
    EXPECT_EQ(list->itemText(3), U("4"));
    EXPECT_EQ(m_folder.IniText("ports", "com2"), byId);
    list->setCurrentIndex(1);
    EXPECT_EQ(list->toolTip().toStdString(), byId);

    // Plugged in while the program runs: named at the next drop-down, with
    // the items and the selection as they were.
    tree.AddAcm("ttyACM0", "1-3", {"Tavel", "VX31 USB", "", "1234", "5678"}, "");
    EXPECT_EQ(list->itemText(3), U("4"));
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(list->itemText(3), U("4 — ttyACM0 · VX31 USB"));
    EXPECT_EQ(m_folder.IniText("ports", "com4"), "/dev/ttyACM0");
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(list->count(), 256);

    // Unplugged: the number stays the adapter's, shown plain; opening it
    // names the missing device (the item stands for number 2).
    tree.Unplug("ttyUSB0");
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(list->itemText(1), U("2"));
    EXPECT_EQ(list->toolTip().toStdString(), byId);
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{QString::fromStdString(
                                         "打开串口失败!\n找不到设备 " + byId +
                                         "：适配器是否已拔出？请插好后重试，或选择其他串口号。")});
    EXPECT_EQ(m_folder.IniInt("com", "com"), 1);
}

TEST_F(SerialPage, OpeningAt614400PassesTheFullRate) {
    auto page = MakePage();
    page->baudList()->setCurrentIndex(9);
    ASSERT_EQ(page->baudList()->currentText(), U("614400 "));
    QTest::mouseClick(page->openButton(), Qt::LeftButton);

    ASSERT_TRUE(m_port.IsOpen()) << m_messages.messages().join(',').toStdString();
    // 2,040,000 / 614400 + 100 ms: only the full rate gives 103.
    EXPECT_EQ(m_port.TimeoutMs(), 103);
    EXPECT_EQ(m_port.DevicePath(), m_sim.DevicePath());
    EXPECT_FALSE(page->openButton()->isEnabled());
    EXPECT_TRUE(page->closeButton()->isEnabled());
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 9);
    EXPECT_TRUE(LineAnswers());
}

TEST_F(SerialPage, FailedOpenComplainsAndStillSavesAllSixSettings) {
    auto page = MakePage();
    page->portList()->setCurrentIndex(2);  // "3", mapped to a device that does not exist
    page->baudList()->setCurrentIndex(2);  // "9600"
    page->parityList()->setCurrentIndex(2);
    QTest::mouseClick(page->openButton(), Qt::LeftButton);

    EXPECT_EQ(m_messages.messages(),
              QStringList{U("打开串口失败!\n找不到设备 /nonexistent/quillon-tty："
                            "适配器是否已拔出？请插好后重试，或选择其他串口号。")});
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_TRUE(page->openButton()->isEnabled());
    EXPECT_FALSE(page->closeButton()->isEnabled());
    EXPECT_EQ(m_folder.IniInt("com", "com"), 2);
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 2);
    EXPECT_EQ(m_folder.IniInt("com", "bytebits"), 0);
    EXPECT_EQ(m_folder.IniInt("com", "stopbits"), 0);
    EXPECT_EQ(m_folder.IniInt("com", "flowctrl"), 0);
    EXPECT_EQ(m_folder.IniInt("com", "parity"), 2);
}

TEST_F(SerialPage, ClosingAClosedPortComplains) {
    auto page = MakePage();
    page->closeButton()->setEnabled(true);  // reachable only by a stale state
    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{U("关闭串口失败!")});
    EXPECT_TRUE(m_folder.IniBytes().find("[com]") == std::string::npos);
}

TEST_F(SerialPage, OpenCloseAndReopenWithOtherSettings) {
    auto page = MakePage();
    page->baudList()->setCurrentIndex(2);  // 9600
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    ASSERT_TRUE(m_port.IsOpen());
    EXPECT_EQ(m_port.TimeoutMs(), 312);

    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_TRUE(page->openButton()->isEnabled());
    EXPECT_FALSE(page->closeButton()->isEnabled());

    page->baudList()->setCurrentIndex(6);  // 115200
    page->stopBitsList()->setCurrentIndex(2);
    page->parityList()->setCurrentIndex(2);
    page->flowList()->setCurrentIndex(1);
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    ASSERT_TRUE(m_port.IsOpen()) << m_messages.messages().join(',').toStdString();
    EXPECT_EQ(m_port.TimeoutMs(), 117);
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 6);
    EXPECT_EQ(m_folder.IniInt("com", "stopbits"), 2);
    EXPECT_EQ(m_folder.IniInt("com", "parity"), 2);
    EXPECT_EQ(m_folder.IniInt("com", "flowctrl"), 1);
}

TEST_F(SerialPage, LoadsStoredPositionsAndTreatsOutOfRangeAsNoSelection) {
    m_folder.ini().WriteInt("com", "baudrate", 6);
    m_folder.ini().WriteInt("com", "bytebits", 1);
    m_folder.ini().WriteInt("com", "stopbits", 1);
    m_folder.ini().WriteInt("com", "flowctrl", 2);
    m_folder.ini().WriteInt("com", "parity", 1);
    {
        auto page = MakePage();
        EXPECT_EQ(page->portList()->currentText(), U("1"));
        EXPECT_EQ(page->baudList()->currentText(), U("115200"));
        EXPECT_EQ(page->dataBitsList()->currentText(), U("7"));
        EXPECT_EQ(page->stopBitsList()->currentText(), U("1.5"));
        EXPECT_EQ(page->flowList()->currentText(), U("硬件流控"));
        EXPECT_EQ(page->parityList()->currentText(), U("奇校验"));
    }

    m_folder.ini().WriteInt("com", "com", 300);
    m_folder.ini().WriteInt("com", "parity", -1);
    auto page = MakePage();
    EXPECT_EQ(page->portList()->currentIndex(), -1);
    EXPECT_EQ(page->parityList()->currentIndex(), -1);
    // Port number 0 cannot be opened; the positions are saved as they stand.
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{U("打开串口失败!\n没有选择串口号。")});
    EXPECT_EQ(m_folder.IniInt("com", "com"), -1);
    EXPECT_EQ(m_folder.IniInt("com", "parity"), -1);
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 6);
}

TEST_F(SerialPage, SearchSetsTheListsToTheModuleFoundAndCanBeCancelled) {
    // A module that hears only 19200 baud behind port 3.
    ModuleSimulator module;
    ModuleSimulator::Options options;
    options.lineRate = 19200;
    ASSERT_TRUE(module.Start(options));
    m_folder.WritePorts(m_sim.DevicePath(), "com3=" + module.DevicePath() + "\r\n");
    auto page = MakePage();
    page->portList()->setCurrentIndex(0);
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    ASSERT_TRUE(m_port.IsOpen());
    page->portList()->setCurrentIndex(2);
    page->parityList()->setCurrentIndex(1);
    page->flowList()->setCurrentIndex(2);
    EXPECT_EQ(page->searchButton()->text(), U("搜索模块..."));

    // 取消 during the first try: nothing found, nothing said, the lists as
    // they were; the open port was closed for the search.
    QTimer::singleShot(0, [&page] {
        if (auto* dialog = page->findChild<QProgressDialog*>()) dialog->cancel();
    });
    EXPECT_EQ(page->echoLabel()->text(), U("本地回显: 未知"));
    QTest::mouseClick(page->searchButton(), Qt::LeftButton);
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_TRUE(page->openButton()->isEnabled());
    EXPECT_FALSE(page->closeButton()->isEnabled());
    EXPECT_EQ(page->echoLabel()->text(), U("本地回显: —")) << "the port shows as open";
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join('|').toStdString();
    EXPECT_EQ(page->parityList()->currentIndex(), 1);

    QTest::mouseClick(page->searchButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages()[0].toStdString(),
              "找到模块: 串口 3 (" + module.DevicePath() +
                  "), 波特率 19200, 数据位 8, 偶校验, 停止位 1。\n已选中这些设置, 按\"打开\"连接模块。");
    EXPECT_EQ(page->portList()->currentIndex(), 2);
    EXPECT_EQ(page->baudList()->currentText(), U("19200"));
    EXPECT_EQ(page->dataBitsList()->currentText(), U("8"));
    EXPECT_EQ(page->stopBitsList()->currentText(), U("1"));
    // A pseudo-terminal carries no parity: the first 19200 try (even) answers.
    EXPECT_EQ(page->parityList()->currentText(), U("偶校验"));
    EXPECT_EQ(page->flowList()->currentText(), U("无"));
    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    EXPECT_TRUE(m_port.IsOpen());

    // Nothing answers: the message names what was tried.
    m_port.Close();
    m_messages.clear();
    module.InjectFault(ModuleSimulator::Fault::Silent, 100);
    m_sim.InjectFault(ModuleSimulator::Fault::Silent, 100);
    page->portList()->setCurrentIndex(0);
    page->baudList()->setCurrentIndex(0);
    QTest::mouseClick(page->searchButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages()[0].toStdString(),
              "未找到模块。已尝试: 1 (" + m_sim.DevicePath() +
                  "); 波特率 2400 至 614400, 无校验、偶校验和奇校验, 数据位 8, 停止位 1 (共 30 次)。");
    EXPECT_EQ(page->baudList()->currentIndex(), 0);
}

}  // namespace
