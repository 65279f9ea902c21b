// The configuration page against a simulated module: what goes on the wire,
// what is shown and what config.ini holds afterwards.

#include <QRegularExpression>

#include "cpropio.h"
#include "cserialport.h"
#include "messages.h"
#include "mycug.h"
#include "network_time.h"
#include "simplefixture.h"

namespace {

bool AllZero(const MyCug* grid) {
    for (int i = 0; i < grid->used(); ++i)
        if (grid->data()[i] != 0) return false;
    return true;
}

class CfgPageTest : public SimpleWindowTest {
protected:
    // A module with recognisable values in every register the page shows.
    void SetUpModule() {
        m_sim.SetRegister(0x500E, 0x8402);  // character format 0x84, 9600
        m_sim.SetRegister(0x5009, 0x0000);
        m_sim.SetRegister(0x6001, 10);
        m_sim.SetRegister(0x6002, 20);
        m_sim.SetRegister(0x7002, 5);
        m_sim.SetRegister(0x7004, 0x0012);
        m_sim.SetRegister(0x7006, 2);
    }
    void StartAndRead(const std::string& body = "[com]\r\nbaudrate=6\r\n") {
        SetUpModule();
        WriteConfig(body);
        OpenWindow();
        ASSERT_TRUE(m_window->port()->IsOpen());
        ReadConfiguration();
    }
    void SetBoxes(const QString& input, const QString& output, const QString& node) {
        Page().inputLengthBox()->setText(input);
        Page().outputLengthBox()->setText(output);
        Page().nodeAddressBox()->setText(node);
    }
};

TEST_F(CfgPageTest, ReadShowsTheModuleValuesAndGivesTheIoPageItsLengths) {
    SetUpModule();
    m_sim.SetRegister(0x5009, 0x0208);
    m_sim.SetRegister(0x7002, 127);
    m_sim.SetRegister(0x7006, 3);
    WriteConfig();
    OpenWindow();
    // A failed read leaves both buttons disabled.
    FailRequestAfter(1);
    Click(Page().readConfigButton());
    EXPECT_EQ(m_messages.messages(), QStringList{"获取 I/O 参数失败!"});
    EXPECT_FALSE(Page().modifyConfigButton()->isEnabled());
    EXPECT_FALSE(Page().changeBaudButton()->isEnabled());

    m_messages.clear();
    m_sim.ClearRequests();
    Click(Page().readConfigButton());
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(m_sim.Requests(),
              (std::vector<Bytes>{ReadRequest(0x5001, 31), ReadRequest(0x6001, 11),
                                  ReadRequest(0x7001, 66)}));
    EXPECT_EQ(Page().bitRateList()->currentText(), "9600");
    EXPECT_EQ(Page().indicatorRow()->ReadInterruptMask(), 0x0208);
    EXPECT_EQ(Page().inputLengthBox()->text(), "10");
    EXPECT_EQ(Page().outputLengthBox()->text(), "20");
    EXPECT_EQ(m_window->ioPage()->inputLength(), 10);
    EXPECT_EQ(m_window->ioPage()->outputLength(), 20);
    EXPECT_EQ(Page().moduleStateList()->currentText(), "PreOperational");
    EXPECT_EQ(Page().nodeAddressBox()->text(), "12");
    EXPECT_EQ(Page().canBitRateList()->currentIndex(), 3);
    EXPECT_TRUE(Page().modifyConfigButton()->isEnabled());
    EXPECT_TRUE(Page().changeBaudButton()->isEnabled());
    // Registers are held low byte first (general, I/O) and in wire order
    // (fieldbus).
    EXPECT_EQ(Page().generalBlock()[26], 0x02);
    EXPECT_EQ(Page().generalBlock()[27], 0x84);
    EXPECT_EQ(Page().fieldbusBlock()[6], 0x00);
    EXPECT_EQ(Page().fieldbusBlock()[7], 0x12);

    // Values the lists do not have: the CAN list loses its selection, the
    // module-state list keeps what it showed.
    m_sim.SetRegister(0x7006, 9);
    m_sim.SetRegister(0x7002, 99);
    Click(Page().readConfigButton());
    EXPECT_EQ(Page().canBitRateList()->currentIndex(), -1);
    EXPECT_EQ(Page().moduleStateList()->currentText(), "PreOperational");

    // Once enabled, the buttons stay enabled with the port closed.
    Click(Page().openPortButton());
    EXPECT_FALSE(m_window->port()->IsOpen());
    EXPECT_TRUE(Page().modifyConfigButton()->isEnabled());
    EXPECT_TRUE(Page().changeBaudButton()->isEnabled());
}

TEST_F(CfgPageTest, WithThePortClosedNothingIsSent) {
    StartAndRead();
    Click(Page().openPortButton());
    ASSERT_FALSE(m_window->port()->IsOpen());
    SetBoxes("4", "4", "1A");
    const std::string before = m_folder.IniBytes();
    Click(Page().readConfigButton());
    Click(Page().modifyConfigButton());
    EXPECT_EQ(m_messages.messages(), (QStringList{"串口未打开!", "修改中断配置参数失败!"}));
    EXPECT_EQ(m_sim.RequestCount(), 0u);
    EXPECT_EQ(m_folder.IniBytes(), before);
}

TEST_F(CfgPageTest, ModifySendsTheFramesInOrderAndSavesAfterwards) {
    StartAndRead();
    Page().bitRateList()->setCurrentIndex(7);  // 230400
    SetLamps(0x0300);
    SetBoxes("12", "24", "1A");
    Page().canBitRateList()->setCurrentIndex(4);
    Page().deviceModeList()->setCurrentIndex(1);
    Page().emergencyCodeBox()->setText("81 10");
    Page().emergencyCustomBox()->setText("00 01");

    Click(Page().modifyConfigButton());
    EXPECT_EQ(m_messages.messages(), QStringList{"修改配置成功!"});
    EXPECT_EQ(m_sim.Requests(), (std::vector<Bytes>{
                                    WriteOne(0x5009, 0x0300),
                                    WriteOne(0x500E, 0x8407),
                                    WriteMany(0x6001, {0x00, 12, 0x00, 24}),
                                    WriteOne(0x7004, 0x001A),
                                    WriteOne(0x7006, 4),
                                }));
    // The I/O page was given the new lengths: both areas cleared.
    const MyCug* input = m_window->ioPage()->inputGrid();
    const MyCug* output = m_window->ioPage()->outputGrid();
    EXPECT_EQ(input->used(), 12);
    EXPECT_EQ(output->used(), 24);
    EXPECT_TRUE(AllZero(input));
    EXPECT_TRUE(AllZero(output));

    EXPECT_EQ(m_folder.IniInt("com", "com"), 0);
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 7);
    EXPECT_EQ(m_folder.IniInt("fieldbus", "modstatus"), 2);
    EXPECT_EQ(m_folder.IniInt("fieldbus", "baudcfg"), 4);
    EXPECT_EQ(m_folder.IniInt("general", "modmode"), 1);
    EXPECT_EQ(m_folder.IniInt("general", "interrupt"), 0x0300);
    EXPECT_EQ(m_folder.IniInt("ioprm", "input"), 12);
    EXPECT_EQ(m_folder.IniInt("ioprm", "output"), 24);
    EXPECT_EQ(m_folder.IniText("fieldbus", "addrcfg"), "1A");
    EXPECT_EQ(m_folder.IniText("fieldbus", "emcycode1"), "81 10");
    EXPECT_EQ(m_folder.IniText("fieldbus", "emcycode2"), "00 01");
    // The mapping of port numbers is kept.
    EXPECT_EQ(m_folder.IniText("ports", "com1"), m_sim.DevicePath());
}

// Each lamp writes its own bit of the interrupt mask (the first lamp is bit
// 9); the node address is always hexadecimal and shows back in upper case.
TEST_F(CfgPageTest, LampsAndNodeAddressAreWrittenAsShown) {
    StartAndRead();
    const struct {
        uint16_t lamps;
        const char* node;
        uint16_t value;
    } cases[] = {{0x0200, "1A", 0x001A},
                 {0x0001, "26", 0x0026},
                 {0x03FF, "1a", 0x001A},
                 {0x0000, "FFFF", 0xFFFF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.node);
        m_messages.clear();
        m_sim.ClearRequests();
        SetLamps(c.lamps);
        SetBoxes("4", "4", c.node);
        Click(Page().modifyConfigButton());
        ASSERT_EQ(m_messages.messages(), QStringList{"修改配置成功!"});
        const auto requests = m_sim.Requests();
        ASSERT_EQ(requests.size(), 5u);
        EXPECT_EQ(requests[0], WriteOne(0x5009, c.lamps));
        EXPECT_EQ(requests[3], WriteOne(0x7004, c.value));
        Page().nodeAddressBox()->clear();
        Click(Page().readConfigButton());
        EXPECT_EQ(Page().nodeAddressBox()->text(), QString::number(c.value, 16).toUpper());
    }
}

TEST_F(CfgPageTest, ANodeAddressThatIsNotUsableSendsNothing) {
    StartAndRead();
    const std::pair<const char*, const char*> cases[] = {
        {"", "节点地址输入错误，请重新输入!"},
        {"xyz", "节点地址输入错误，请重新输入!"},
        {"-5", "节点地址输入错误，请重新输入!"},
        {"10000", "请输入一个介于 0 和 FFFF 之间的整数。"},
        {"123456789", "请输入一个介于 0 和 FFFF 之间的整数。"},
    };
    const std::string before = m_folder.IniBytes();
    for (const auto& [text, message] : cases) {
        m_messages.clear();
        SetBoxes("4", "4", text);
        Click(Page().modifyConfigButton());
        EXPECT_EQ(m_messages.messages(), QStringList{QString::fromUtf8(message)}) << text;
        EXPECT_EQ(m_sim.RequestCount(), 0u) << text;
    }
    EXPECT_EQ(m_folder.IniBytes(), before);
}

TEST_F(CfgPageTest, LengthsOutsideOneTo144StopEveryOperationThatTakesThem) {
    StartAndRead();
    Page().emergencyCodeBox()->setText("81 10");
    const std::pair<QString, QString> refused[] = {{"0", "4"},   {"145", "4"}, {"4", "0"},
                                                   {"4", "145"}, {"abc", "4"}, {"4", ""}};
    QAbstractButton* takers[] = {Page().modifyConfigButton(), Page().changeBaudButton(),
                                 Page().sendEmergencyButton()};
    for (QAbstractButton* button : takers) {
        for (const auto& [input, output] : refused) {
            m_messages.clear();
            SetBoxes(input, output, "1A");
            Click(button);
            ASSERT_EQ(m_messages.messages().size(), 1);
            const QString& prompt = m_messages.messages().first();
            EXPECT_TRUE(prompt == "请输入一个介于 1 和 144 之间的整数。" ||
                        prompt == "请输入一个整数。")
                << prompt.toStdString();
            EXPECT_EQ(m_sim.RequestCount(), 0u)
                << button->text().toStdString() << " " << input.toStdString() << "/"
                << output.toStdString();
        }
    }

    m_messages.clear();
    SetBoxes("144", "144", "1A");
    Click(Page().modifyConfigButton());
    EXPECT_EQ(m_messages.messages(), QStringList{"修改配置成功!"});
    const auto requests = m_sim.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[2], WriteMany(0x6001, {0x00, 144, 0x00, 144}));
    EXPECT_EQ(m_window->ioPage()->inputGrid()->used(), 144);
}

TEST_F(CfgPageTest, AListWithoutSelectionSendsAllOnesInItsPart) {
    StartAndRead();
    SetBoxes("4", "4", "1A");
    Page().canBitRateList()->setCurrentIndex(-1);
    Click(Page().modifyConfigButton());
    const auto requests = m_sim.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[4], WriteOne(0x7006, 0xFFFF));
    EXPECT_EQ(m_folder.IniInt("fieldbus", "baudcfg"), -1);
}

TEST_F(CfgPageTest, ChangeBaudRateWritesTheModuleRateButKeepsThePortRate) {
    StartAndRead("[com]\r\nbaudrate=2\r\n");
    ASSERT_EQ(m_window->port()->TimeoutMs(), SerialTimeoutMs(9600));
    SetLamps(0x0008);
    Page().bitRateList()->setCurrentIndex(6);  // 115200
    Click(Page().changeBaudButton());
    EXPECT_EQ(m_messages.messages(), QStringList{"修改波特率成功!"});
    EXPECT_EQ(m_sim.Requests(),
              (std::vector<Bytes>{WriteOne(0x5009, 0x0008), WriteOne(0x500E, 0x8406)}));
    EXPECT_EQ(m_folder.IniInt("com", "baudrate"), 6);
    EXPECT_TRUE(m_window->port()->IsOpen());
    EXPECT_EQ(m_window->port()->TimeoutMs(), SerialTimeoutMs(9600));
    EXPECT_EQ(Page().openPortButton()->text(), "关闭串口");

    // Reopened by hand, the port takes the list's rate.
    Click(Page().openPortButton());
    Click(Page().openPortButton());
    EXPECT_EQ(m_window->port()->TimeoutMs(), SerialTimeoutMs(115200));
}

TEST_F(CfgPageTest, DeviceModeSendsItsCommandWithoutStoringIt) {
    WriteConfig("[com]\r\nbaudrate=6\r\n[general]\r\nmodmode=0\r\n");
    OpenWindow();
    // After a read the port knows the line has no echo, so each command goes
    // out alone (on a fresh port a read of the module type would come first).
    ReadConfiguration();
    const std::pair<int, uint16_t> cases[] = {{0, 0}, {1, 3}, {2, 4}};
    for (const auto& [index, value] : cases) {
        m_messages.clear();
        m_sim.ClearRequests();
        Page().deviceModeList()->setCurrentIndex(index);
        Click(Page().sendDeviceModeButton());
        EXPECT_EQ(m_messages.messages(), QStringList{"修改设备模式成功!"});
        EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{WriteOne(0x5001, value)});
        EXPECT_EQ(m_folder.IniInt("general", "modmode"), 0);
    }
}

TEST_F(CfgPageTest, EmergencyIsStoredOnlyAfterASuccessfulSend) {
    WriteConfig();
    OpenWindow();
    Page().inputLengthBox()->setText("4");
    Page().outputLengthBox()->setText("4");
    Page().emergencyCodeBox()->setText("81 10");
    Page().emergencyCustomBox()->setText("00 01");
    // A read first settles the line's echo, so the send is the only frame.
    Click(Page().readConfigButton());

    // The texts are in config.ini by the time the success is shown.
    std::string storedAtMessage;
    QStringList shown;
    SetMessageSink([&](QWidget*, const QString& text) {
        shown << text;
        storedAtMessage = m_folder.IniText("fieldbus", "emcycode1") + "|" +
                          m_folder.IniText("fieldbus", "emcycode2");
    });
    m_sim.ClearRequests();
    Click(Page().sendEmergencyButton());
    EXPECT_EQ(shown, QStringList{"发送紧急代码成功!"});
    EXPECT_EQ(storedAtMessage, "81 10|00 01");
    EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{WriteMany(0x7021, {0x81, 0x10, 0x00, 0x01})});

    // Only the first two bytes of each text count; missing bytes are 0.
    m_sim.ClearRequests();
    Page().emergencyCodeBox()->setText("81");
    Page().emergencyCustomBox()->setText("");
    Click(Page().sendEmergencyButton());
    EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{WriteMany(0x7021, {0x81, 0x00, 0x00, 0x00})});
}

TEST_F(CfgPageTest, NetworkTimeIsShownAsDateAndTime) {
    WriteConfig();
    OpenWindow();
    // The module's clock runs on; what it says just before and just after
    // the click brackets what the page may show.
    auto moduleTime = [this] {
        const uint32_t ms =
            static_cast<uint32_t>(m_sim.Register(0x7044)) << 16 | m_sim.Register(0x7043);
        return QString::fromStdString(FormatNetworkTime(ms, m_sim.Register(0x7045)));
    };
    m_sim.ClearRequests();
    const QString before = moduleTime();
    Click(Page().getNetworkTimeButton());
    const QString after = moduleTime();
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{ReadRequest(0x7043, 3)});
    const QString shown = Page().networkTimeBox()->text();
    EXPECT_TRUE(shown == before || shown == after) << shown.toStdString();
    EXPECT_TRUE(QRegularExpression("^\\d{4}年\\d{1,2}月\\d{1,2}日,\\d{1,3}时\\d{1,2}分\\d{1,2}秒$")
                    .match(shown)
                    .hasMatch())
        << shown.toStdString();
}

}  // namespace
