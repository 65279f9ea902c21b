// "读取配置", "修改配置" and the device-mode "发送" of the full edition's main
// window against the module simulator (and a scripted slave for answers the
// simulator never gives).

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "cpropcom.h"
#include "cpropgeneral.h"
#include "cpropio.h"
#include "cpropprotocol.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "fullharness.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "modulesimulator.h"
#include "scriptedslave.h"

namespace {

using Fault = ModuleSimulator::Fault;
using Bytes = std::vector<uint8_t>;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

Bytes Copy(const uint8_t* bytes, size_t n) { return Bytes(bytes, bytes + n); }

QLineEdit* FindEdit(QWidget* page, const QString& text) {
    for (QLineEdit* edit : page->findChildren<QLineEdit*>())
        if (edit->text() == text) return edit;
    return nullptr;
}

QLineEdit* PasswordEdit(QWidget* page) {
    for (QLineEdit* edit : page->findChildren<QLineEdit*>())
        if (edit->echoMode() == QLineEdit::Password) return edit;
    return nullptr;
}

// The window on a port opened at 115200 baud on the simulator.
class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        m_folder.WriteIni("[ports]\r\ncom1=" + m_sim.DevicePath() + "\r\n[com]\r\nbaudrate=6\r\n");
        m_dlg = std::make_unique<CQuillonDlg>(m_folder.path());
        m_dlg->show();
        QTest::mouseClick(m_dlg->comPage()->openButton(), Qt::LeftButton);
        ASSERT_TRUE(m_dlg->port().IsOpen());
        m_messages.clear();
        m_sim.ClearRequests();
    }
    void TearDown() override {
        if (m_dlg) m_dlg->port().Close();
    }

    void ClickRead() { QTest::mouseClick(m_dlg->readButton(), Qt::LeftButton); }
    void ClickModify(int tab) {
        m_dlg->tabSheet()->setCurrentIndex(tab);
        QTest::mouseClick(m_dlg->modifyButton(), Qt::LeftButton);
    }
    // A complete read, then a clean slate for what the test looks at.
    void ReadAll() {
        ClickRead();
        ASSERT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
        m_sim.ClearRequests();
    }
    std::vector<Frame> Frames() const { return ParseFrames(m_sim.Requests()); }

    std::vector<uint16_t> Registers(uint16_t first, int count) const {
        std::vector<uint16_t> values;
        for (int k = 0; k < count; ++k) values.push_back(m_sim.Register(first + k));
        return values;
    }
    // A block as the window holds it: low byte first or wire order.
    Bytes Held(uint16_t first, int count) const {
        Bytes bytes;
        for (uint16_t v : Registers(first, count)) {
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<uint8_t>(v >> 8));
        }
        return bytes;
    }
    Bytes Wire(uint16_t first, int count) const { return WireBytes(Registers(first, count)); }

    Bytes GeneralBlock() const { return Copy(m_dlg->generalBlock(), 62); }
    Bytes IoBlock() const { return Copy(m_dlg->ioBlock(), 22); }
    Bytes FieldbusBlock() const { return Copy(m_dlg->fieldbusBlock(), 132); }

    ModuleSimulator m_sim;
    ProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_dlg;
};

// --- "读取配置" ----------------------------------------------------------------

TEST_F(Transfer, ReadWithThePortClosedSendsNothing) {
    QTest::mouseClick(m_dlg->comPage()->closeButton(), Qt::LeftButton);
    ASSERT_FALSE(m_dlg->port().IsOpen());
    ClickRead();
    EXPECT_EQ(m_messages.messages(), QStringList{U("串口未打开!")});
    EXPECT_EQ(m_sim.RequestCount(), 0u);
    EXPECT_EQ(GeneralBlock(), Bytes(62, 0));
}

TEST_F(Transfer, FullReadFillsBlocksPagesLampsAndDeviceMode) {
    m_sim.SetRegister(0x5001, 1);
    m_sim.SetRegister(0x5005, 0x0A00);  // held byte 9 = 0x0A: bits 3 and 1
    m_sim.SetRegister(0x500A, 0x0208);
    m_sim.SetRegister(0x6001, 5);
    m_sim.SetRegister(0x6002, 9);
    const Bytes general = Held(0x5001, 31);
    const Bytes io = Held(0x6001, 11);
    const Bytes fieldbus = Wire(0x7001, 66);

    ClickRead();
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(',').toStdString();

    const std::vector<Frame> frames = Frames();
    ASSERT_EQ(frames.size(), 3u);
    const uint16_t expected[3][2] = {{0x5001, 31}, {0x6001, 11}, {0x7001, 66}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frames[i].function, 3);
        EXPECT_EQ(frames[i].start, expected[i][0]);
        EXPECT_EQ(frames[i].quantityOrValue, expected[i][1]);
    }

    EXPECT_EQ(GeneralBlock(), general);
    EXPECT_EQ(IoBlock(), io);
    EXPECT_EQ(FieldbusBlock(), fieldbus);
    // Register 0x5006 = 0 and 0x7004 = 0x0025 in their held forms.
    EXPECT_EQ(m_dlg->generalBlock()[4], 0x01);
    EXPECT_EQ(m_dlg->generalBlock()[5], 0x02);
    EXPECT_EQ(m_dlg->fieldbusBlock()[6], 0x00);
    EXPECT_EQ(m_dlg->fieldbusBlock()[7], 0x25);

    EXPECT_TRUE(m_dlg->IsLampLit(0));
    EXPECT_FALSE(m_dlg->IsLampLit(1));
    EXPECT_TRUE(m_dlg->IsLampLit(2));
    EXPECT_FALSE(m_dlg->IsLampLit(3));
    EXPECT_EQ(m_dlg->lamp(0)->pixmap().toImage(), CQuillonDlg::LampPixmap(true).toImage());
    EXPECT_EQ(m_dlg->lamp(1)->pixmap().toImage(), CQuillonDlg::LampPixmap(false).toImage());
    EXPECT_EQ(m_dlg->deviceModeList()->currentIndex(), 1);

    EXPECT_EQ(m_dlg->generalPage()->indicatorRow()->ReadInterruptMask(), 0x020F);
    EXPECT_EQ(m_dlg->ioPage()->indicatorRow()->ReadInterruptMask(), 0x0208);
    EXPECT_EQ(m_dlg->ioPage()->inputLength(), 5);
    EXPECT_EQ(m_dlg->ioPage()->outputLength(), 9);
    EXPECT_NE(FindEdit(m_dlg->fieldbusPage(), U("VX31-CANopen")), nullptr);
    EXPECT_NE(FindEdit(m_dlg->fieldbusPage(), U("25")), nullptr);

    // Another status: the other two lamps, and a register value the list has
    // no item for.
    m_sim.SetRegister(0x5001, 4);
    m_sim.SetRegister(0x5005, 0x0500);
    ClickRead();
    EXPECT_FALSE(m_dlg->IsLampLit(0));
    EXPECT_TRUE(m_dlg->IsLampLit(1));
    EXPECT_FALSE(m_dlg->IsLampLit(2));
    EXPECT_TRUE(m_dlg->IsLampLit(3));
    EXPECT_EQ(m_dlg->deviceModeList()->currentIndex(), -1);
}

TEST_F(Transfer, FailedFirstReadLeavesEverythingAsItWas) {
    const struct {
        Fault fault;
        const char* name;
    } faults[] = {{Fault::Exception, "exception"},
                  {Fault::BadCrc, "bad CRC"},
                  {Fault::Silent, "silence"},
                  {Fault::Truncated, "cut short"},
                  {Fault::Garbage, "noise first"}};
    ReadAll();
    const Bytes general = GeneralBlock(), io = IoBlock(), fieldbus = FieldbusBlock();
    const uint16_t mask = m_dlg->generalPage()->indicatorRow()->ReadInterruptMask();
    std::vector<bool> lamps;
    for (int i = 0; i < CQuillonDlg::kLampCount; ++i) lamps.push_back(m_dlg->IsLampLit(i));
    // A successful read now would change every block.
    m_sim.SetRegister(0x5005, 0x0F00);
    m_sim.SetRegister(0x5009, 0x0001);
    m_sim.SetRegister(0x6001, 3);
    m_sim.SetRegister(0x7004, 0x0011);

    for (const auto& f : faults) {
        SCOPED_TRACE(f.name);
        m_messages.clear();
        m_sim.ClearRequests();
        m_sim.InjectFault(f.fault);
        ClickRead();
        EXPECT_EQ(m_messages.messages(), QStringList{U("获取通用参数失败!")});
        EXPECT_EQ(m_sim.RequestCount(), 1u);
        EXPECT_EQ(GeneralBlock(), general);
        EXPECT_EQ(IoBlock(), io);
        EXPECT_EQ(FieldbusBlock(), fieldbus);
        for (int i = 0; i < CQuillonDlg::kLampCount; ++i) EXPECT_EQ(m_dlg->IsLampLit(i), lamps[i]);
        EXPECT_EQ(m_dlg->generalPage()->indicatorRow()->ReadInterruptMask(), mask);
    }
}

TEST_F(Transfer, FailedSecondReadKeepsTheGeneralPartOnly) {
    ReadAll();
    const Bytes io = IoBlock(), fieldbus = FieldbusBlock();
    m_sim.SetRegister(0x5005, 0x0F00);
    m_sim.SetRegister(0x5009, 0x0001);
    m_sim.SetRegister(0x6001, 3);
    m_sim.SetRegister(0x7004, 0x0011);
    const Bytes general = Held(0x5001, 31);

    m_sim.InjectFault(Fault::None);
    m_sim.InjectFault(Fault::Exception);
    ClickRead();
    EXPECT_EQ(m_messages.messages(), QStringList{U("获取 I/O 参数失败!")});
    EXPECT_EQ(m_sim.RequestCount(), 2u);
    EXPECT_EQ(GeneralBlock(), general);
    for (int i = 0; i < CQuillonDlg::kLampCount; ++i) EXPECT_TRUE(m_dlg->IsLampLit(i));
    EXPECT_EQ(m_dlg->generalPage()->indicatorRow()->ReadInterruptMask(), 0x0001);
    EXPECT_EQ(IoBlock(), io);
    EXPECT_EQ(m_dlg->ioPage()->inputLength(), 16);
    EXPECT_EQ(FieldbusBlock(), fieldbus);
}

TEST_F(Transfer, FailedThirdReadKeepsGeneralAndIoParts) {
    ReadAll();
    const Bytes fieldbus = FieldbusBlock();
    m_sim.SetRegister(0x5009, 0x0001);
    m_sim.SetRegister(0x6001, 3);
    m_sim.SetRegister(0x7004, 0x0011);
    const Bytes general = Held(0x5001, 31);
    const Bytes io = Held(0x6001, 11);

    m_sim.InjectFault(Fault::None, 2);
    m_sim.InjectFault(Fault::BadCrc);
    ClickRead();
    EXPECT_EQ(m_messages.messages(), QStringList{U("获取现场总线参数失败!")});
    EXPECT_EQ(m_sim.RequestCount(), 3u);
    EXPECT_EQ(GeneralBlock(), general);
    EXPECT_EQ(IoBlock(), io);
    EXPECT_EQ(m_dlg->ioPage()->inputLength(), 3);
    EXPECT_EQ(FieldbusBlock(), fieldbus);
    EXPECT_NE(FindEdit(m_dlg->fieldbusPage(), U("25")), nullptr);
}

// --- short but consistent answers (scripted slave) --------------------------

TEST(TransferShortAnswer, ShortGeneralAnswerReplacesOnlyTheRegistersItCarries) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    ProgramFolder folder;
    folder.WriteIni("[ports]\r\ncom1=" + slave.DevicePath() + "\r\n[com]\r\nbaudrate=6\r\n");
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());

    Bytes first(62), second(36), io(22, 0), fieldbus(132, 0);
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i + 1);
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(0x80 + i);
    io[1] = 4;   // input length 4
    io[3] = 6;   // output length 6
    for (const Bytes* general : {&first, &second}) {
        slave.QueueAnswer(ScriptedSlave::ReadAnswer(*general));
        slave.QueueAnswer(ScriptedSlave::ReadAnswer(io));
        slave.QueueAnswer(ScriptedSlave::ReadAnswer(fieldbus));
    }

    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    ASSERT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
    // 3 + 36 + 2 = 41 bytes.
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
    EXPECT_EQ(slave.Requests().size(), 6u);

    for (size_t i = 0; i < 62; ++i) {
        const uint8_t want = i < 36 ? second[i ^ 1] : first[i ^ 1];
        EXPECT_EQ(dlg.generalBlock()[i], want) << "byte " << i;
    }
    EXPECT_EQ(dlg.ioPage()->inputLength(), 4);
    EXPECT_EQ(dlg.ioPage()->outputLength(), 6);
    dlg.port().Close();
}

TEST(TransferShortAnswer, InconsistentOrOversizedAnswersAreRefused) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    ProgramFolder folder;
    folder.WriteIni("[ports]\r\ncom1=" + slave.DevicePath() + "\r\n[com]\r\nbaudrate=6\r\n");
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());

    // Byte count 36 but 38 data bytes: the count does not match the frame.
    Bytes lying = ScriptedSlave::ReadAnswer(Bytes(38, 0x77));
    lying[2] = 36;
    slave.QueueAnswer(lying);
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    // An odd byte count would split a register.
    slave.QueueAnswer(ScriptedSlave::ReadAnswer(Bytes(35, 0x77)));
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    // A fine general answer, then an I/O answer with more than 22 data bytes.
    slave.QueueAnswer(ScriptedSlave::ReadAnswer(Bytes(62, 0x11)));
    slave.QueueAnswer(ScriptedSlave::ReadAnswer(Bytes(24, 0x22)));
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);

    EXPECT_EQ(messages.messages(), (QStringList{U("获取通用参数失败!"), U("获取通用参数失败!"),
                                                U("获取 I/O 参数失败!")}));
    EXPECT_EQ(Copy(dlg.generalBlock(), 62), Bytes(62, 0x11));
    EXPECT_EQ(Copy(dlg.ioBlock(), 22), Bytes(22, 0));
    dlg.port().Close();
}

// --- "修改配置" ----------------------------------------------------------------

TEST_F(Transfer, ModifyOnTheSerialTabSucceedsWithoutARequest) {
    ClickModify(0);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

TEST_F(Transfer, GeneralModifyOnAFreshStartSendsNothing) {
    // Before any read the Modbus-address edit is empty: writing it would set
    // the module's address to 0 and cut it off.
    const std::string ini = m_folder.IniBytes();
    ClickModify(1);
    EXPECT_EQ(m_sim.RequestCount(), 0u);
    EXPECT_TRUE(m_messages.contains(U("修改通用配置参数失败!")));
    EXPECT_FALSE(m_messages.contains(U("修改配置成功!")));
    EXPECT_EQ(m_folder.IniBytes(), ini);
}

TEST_F(Transfer, GeneralModifyWritesThreeRangesWithSwappedPairs) {
    ReadAll();
    const Bytes range1 = Wire(0x5006, 4), range2 = Wire(0x500B, 5), range3 = Wire(0x5011, 15);

    ClickModify(1);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    const std::vector<Frame> frames = Frames();
    ASSERT_EQ(frames.size(), 3u);
    const struct {
        uint16_t start, count;
        const Bytes* data;
    } expected[] = {{0x5006, 4, &range1}, {0x500B, 5, &range2}, {0x5011, 15, &range3}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].function, 16);
        EXPECT_EQ(frames[i].start, expected[i].start);
        EXPECT_EQ(frames[i].quantityOrValue, expected[i].count);
        EXPECT_EQ(frames[i].raw[6], 2 * expected[i].count);
        EXPECT_EQ(frames[i].data, *expected[i].data);
    }
    // Saved only now.
    EXPECT_EQ(m_folder.IniInt("general", "interrupt"), 0x020F);
    EXPECT_NE(m_folder.IniBytes().find("rtuaddr=1"), std::string::npos);
}

TEST_F(Transfer, FailedGeneralModifyStopsAndSavesNothing) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    m_sim.InjectFault(Fault::None);
    m_sim.InjectFault(Fault::Exception);
    ClickModify(1);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改通用配置参数失败!")});
    ASSERT_EQ(m_sim.RequestCount(), 2u);
    EXPECT_EQ(Frames()[1].start, 0x500B);
    EXPECT_EQ(m_folder.IniBytes(), ini);
}

TEST_F(Transfer, IoModifyWritesBothLengthsAndSavesTheIoSettings) {
    ReadAll();
    m_dlg->tabSheet()->setCurrentIndex(2);
    auto* inputBox = m_dlg->ioPage()->findChild<QLineEdit*>("inputLengthBox");
    auto* outputBox = m_dlg->ioPage()->findChild<QLineEdit*>("outputLengthBox");
    ASSERT_TRUE(inputBox && outputBox);
    inputBox->setText("5");
    outputBox->setText("300");
    ClickModify(2);
    // 300 is refused when the boxes are taken: nothing goes out.
    EXPECT_EQ(m_sim.RequestCount(), 0u);
    EXPECT_FALSE(m_messages.contains(U("修改配置成功!")));

    m_messages.clear();
    outputBox->setText("7");
    ClickModify(2);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    const std::vector<Frame> frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].function, 16);
    EXPECT_EQ(frames[0].start, 0x6001);
    EXPECT_EQ(frames[0].quantityOrValue, 2);
    EXPECT_EQ(frames[0].data, (Bytes{0x00, 0x05, 0x00, 0x07}));
    EXPECT_EQ(m_sim.Register(0x6001), 5);
    EXPECT_EQ(m_sim.Register(0x6002), 7);
    EXPECT_EQ(m_folder.IniInt("ioprm", "input"), 5);
    EXPECT_EQ(m_folder.IniInt("ioprm", "output"), 7);
}

TEST_F(Transfer, FailedIoModifySavesNothing) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    m_sim.InjectFault(Fault::BadCrc);
    ClickModify(2);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改 I/O 配置参数失败!")});
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(m_folder.IniBytes(), ini);
}

TEST_F(Transfer, FieldbusModifyWithoutPasswordSendsAddressAndRateOnly) {
    ReadAll();
    ClickModify(3);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    const std::vector<Frame> frames = Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].function, 6);
    EXPECT_EQ(frames[0].start, 0x7004);
    EXPECT_EQ(frames[0].quantityOrValue, 0x0025);
    EXPECT_EQ(frames[1].function, 6);
    EXPECT_EQ(frames[1].start, 0x7006);
    EXPECT_EQ(frames[1].quantityOrValue, 2);
    EXPECT_NE(m_folder.IniBytes().find("addrcfg=25"), std::string::npos);
}

TEST_F(Transfer, FieldbusModifyWithPasswordSendsFourRequestsInOrder) {
    ReadAll();
    const Bytes deviceInfo = Wire(0x700B, 22);
    QLineEdit* password = PasswordEdit(m_dlg->fieldbusPage());
    ASSERT_NE(password, nullptr);
    password->setText("1234");

    ClickModify(3);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    const std::vector<Frame> frames = Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].start, 0x7004);
    EXPECT_EQ(frames[1].start, 0x7006);
    EXPECT_EQ(frames[2].function, 6);
    EXPECT_EQ(frames[2].start, 0x7003);
    EXPECT_EQ(frames[2].quantityOrValue, 0x1234);
    EXPECT_EQ(frames[3].function, 16);
    EXPECT_EQ(frames[3].start, 0x700B);
    EXPECT_EQ(frames[3].quantityOrValue, 22);
    EXPECT_EQ(frames[3].raw[6], 44);
    EXPECT_EQ(frames[3].data, deviceInfo);
    // The password is never stored.
    EXPECT_EQ(m_folder.IniBytes().find("1234"), std::string::npos);
}

TEST_F(Transfer, FieldbusModifyFailuresStopAtTheirStepAndSaveNothing) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    const struct {
        const char* password;
        int goodBefore;
        Fault fault;
        size_t frames;
        const char* message;
    } cases[] = {
        {"", 0, Fault::Exception, 1, "修改现场总线节点地址配置参数失败!"},
        {"", 1, Fault::Silent, 2, "修改现场总线波特率配置参数失败!"},
        {"1234", 2, Fault::Exception, 3, "现场总线输入密码错误!"},
        {"9999", 2, Fault::None, 3, "现场总线输入密码错误!"},  // the module refuses it
        {"1234", 3, Fault::BadCrc, 4, "修改现场总线配置参数失败!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        m_messages.clear();
        m_sim.ClearRequests();
        m_sim.ClearFaults();
        if (c.goodBefore > 0) m_sim.InjectFault(Fault::None, c.goodBefore);
        m_sim.InjectFault(c.fault);
        PasswordEdit(m_dlg->fieldbusPage())->setText(c.password);
        ClickModify(3);
        EXPECT_EQ(m_messages.messages(), QStringList{U(c.message)});
        const std::vector<Frame> frames = Frames();
        EXPECT_EQ(frames.size(), c.frames);
        if (c.frames < 4) {
            for (const Frame& f : frames) EXPECT_NE(f.start, 0x700B);
        }
        EXPECT_EQ(m_folder.IniBytes(), ini);
    }
}

TEST_F(Transfer, RefusedBitRateStopsTheFieldbusModify) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    QLineEdit* rate = FindEdit(m_dlg->fieldbusPage(), "2");
    ASSERT_NE(rate, nullptr);
    for (const char* text : {"abc", "70000", "-1"}) {
        SCOPED_TRACE(text);
        m_messages.clear();
        rate->setText(text);
        ClickModify(3);
        EXPECT_EQ(m_sim.RequestCount(), 0u);
        EXPECT_EQ(m_messages.messages().size(), 1);
        EXPECT_FALSE(m_messages.contains(U("修改配置成功!")));
    }
    EXPECT_EQ(m_folder.IniBytes(), ini);
}

TEST_F(Transfer, ModifyWithThePortClosedFailsAtTheFirstWrite) {
    ReadAll();
    QTest::mouseClick(m_dlg->comPage()->closeButton(), Qt::LeftButton);
    ClickModify(3);
    ClickModify(1);
    ClickModify(2);
    EXPECT_EQ(m_messages.messages(),
              (QStringList{U("修改现场总线节点地址配置参数失败!"), U("修改通用配置参数失败!"),
                           U("修改 I/O 配置参数失败!")}));
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

// --- device mode "发送" --------------------------------------------------------

TEST_F(Transfer, SendWritesTheDeviceModeValueAndRemembersTheChoice) {
    const struct {
        int index;
        uint16_t value;
    } cases[] = {{2, 4}, {1, 3}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        m_messages.clear();
        m_sim.ClearRequests();
        m_dlg->deviceModeList()->setCurrentIndex(c.index);
        QTest::mouseClick(m_dlg->sendButton(), Qt::LeftButton);
        EXPECT_EQ(m_messages.messages(), QStringList{U("修改设备模式成功!")});
        const std::vector<Frame> frames = Frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].function, 6);
        EXPECT_EQ(frames[0].start, 0x5001);
        EXPECT_EQ(frames[0].quantityOrValue, c.value);
        EXPECT_EQ(m_folder.IniInt("general", "modmode"), c.index);
    }
}

TEST_F(Transfer, FailedSendKeepsTheStoredChoice) {
    m_dlg->deviceModeList()->setCurrentIndex(1);
    const std::string ini = m_folder.IniBytes();
    m_sim.InjectFault(Fault::Exception);
    QTest::mouseClick(m_dlg->sendButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改设备模式失败!")});
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(m_folder.IniBytes(), ini);

    // With the port closed the write fails the same way, and nothing is sent.
    m_messages.clear();
    QTest::mouseClick(m_dlg->comPage()->closeButton(), Qt::LeftButton);
    QTest::mouseClick(m_dlg->sendButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改设备模式失败!")});
    EXPECT_EQ(m_sim.RequestCount(), 1u);
}

}  // namespace
