// "读取配置", "修改配置" and the device-mode "发送" of the full edition's main
// window against the module simulator. How "读取配置" takes answers the
// simulator never gives is tested on the procedure itself.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "cpropcom.h"
#include "cpropgeneral.h"
#include "cpropio.h"
#include "cpropprotocol.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "full_harness.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "modulesimulator.h"

namespace {

using Fault = ModuleSimulator::Fault;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

Bytes Copy(const uint8_t* bytes, size_t n) {
    return Bytes(bytes, bytes + n);
}

// The window on a port opened at 115200 baud on the simulator.
class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        m_folder.WritePorts(m_sim.DevicePath(), "[com]\r\nbaudrate=6\r\n");
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
        m_messages.clear();
        ClickRead();
        ASSERT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
        m_sim.ClearRequests();
    }

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
    std::vector<bool> Lamps() const {
        std::vector<bool> lit;
        for (int i = 0; i < CQuillonDlg::kLampCount; ++i) lit.push_back(m_dlg->IsLampLit(i));
        return lit;
    }
    QLineEdit* Edit(QWidget* page, const char* name) const {
        return page->findChild<QLineEdit*>(QString::fromUtf8(name));
    }

    ModuleSimulator m_sim;
    ProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_dlg;
};

// --- "读取配置" ----------------------------------------------------------------

TEST_F(Transfer, EveryOperationWithThePortClosedSendsNothing) {
    ReadAll();
    const Bytes general = GeneralBlock();
    QTest::mouseClick(m_dlg->comPage()->closeButton(), Qt::LeftButton);
    ASSERT_FALSE(m_dlg->port().IsOpen());
    ClickRead();
    ClickModify(3);
    ClickModify(1);
    ClickModify(2);
    QTest::mouseClick(m_dlg->sendButton(), Qt::LeftButton);
    Edit(m_dlg->fieldbusPage(), "emergencyStandard")->setText("81 10");
    for (const char* button : {"sendEmergency", "getErrorMessage", "getNetworkTime"})
        QTest::mouseClick(m_dlg->fieldbusPage()->findChild<QPushButton*>(button), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(),
              (QStringList{U("串口未打开!"), U("修改现场总线节点地址配置参数失败!"),
                           U("修改通用配置参数失败!"), U("修改 I/O 配置参数失败!"),
                           U("修改设备模式失败!"), U("发送紧急代码失败!"), U("获取错误消息失败!"),
                           U("获取网络时间标识失败!")}));
    EXPECT_EQ(m_sim.RequestCount(), 0u);
    EXPECT_EQ(GeneralBlock(), general);
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

    EXPECT_EQ(m_sim.Requests(),
              (std::vector<Bytes>{ReadRequest(0x5001, 31), ReadRequest(0x6001, 11),
                                  ReadRequest(0x7001, 66)}));

    EXPECT_EQ(GeneralBlock(), general);
    EXPECT_EQ(IoBlock(), io);
    EXPECT_EQ(FieldbusBlock(), fieldbus);
    // Register 0x5006 = 0 and 0x7004 = 0x0025 in their held forms.
    EXPECT_EQ(m_dlg->generalBlock()[4], 0x01);
    EXPECT_EQ(m_dlg->generalBlock()[5], 0x02);
    EXPECT_EQ(m_dlg->fieldbusBlock()[6], 0x00);
    EXPECT_EQ(m_dlg->fieldbusBlock()[7], 0x25);

    EXPECT_EQ(Lamps(), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(m_dlg->lamp(0)->pixmap().toImage(), CQuillonDlg::LampPixmap(true).toImage());
    EXPECT_EQ(m_dlg->lamp(1)->pixmap().toImage(), CQuillonDlg::LampPixmap(false).toImage());
    EXPECT_EQ(m_dlg->deviceModeList()->currentIndex(), 1);

    EXPECT_EQ(m_dlg->generalPage()->indicatorRow()->ReadInterruptMask(), 0x020F);
    EXPECT_EQ(m_dlg->ioPage()->indicatorRow()->ReadInterruptMask(), 0x0208);
    EXPECT_EQ(m_dlg->ioPage()->inputLength(), 5);
    EXPECT_EQ(m_dlg->ioPage()->outputLength(), 9);
    EXPECT_EQ(Edit(m_dlg->fieldbusPage(), "productName")->text(), U("VX31-CANopen"));
    EXPECT_EQ(Edit(m_dlg->fieldbusPage(), "nodeAddressConfigured")->text(), U("25"));

    // Register value 2 selects nothing, though the list has a third item;
    // the other two lamps, and a register value the list has no item for.
    m_sim.SetRegister(0x5001, 2);
    ClickRead();
    EXPECT_EQ(m_dlg->deviceModeList()->currentIndex(), -1);
    m_sim.SetRegister(0x5001, 4);
    m_sim.SetRegister(0x5005, 0x0500);
    ClickRead();
    EXPECT_EQ(Lamps(), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(m_dlg->deviceModeList()->currentIndex(), -1);
}

// The fault matrix proves that a failed read changes nothing it would
// have read; here the reads before the failing one must have taken effect.
TEST_F(Transfer, FailedReadKeepsWhatTheEarlierReadsBrought) {
    const struct {
        Fault fault;
        const char* message;
    } steps[] = {{Fault::Exception, "获取通用参数失败!"},
                 {Fault::BadCrc, "获取 I/O 参数失败!"},
                 {Fault::Silent, "获取现场总线参数失败!"}};
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        ReadAll();
        const Bytes general = GeneralBlock(), io = IoBlock(), fieldbus = FieldbusBlock();
        const std::vector<bool> lamps = Lamps();
        const uint16_t mask = m_dlg->generalPage()->indicatorRow()->ReadInterruptMask();
        const int inputLength = m_dlg->ioPage()->inputLength();
        const QString node = Edit(m_dlg->fieldbusPage(), "nodeAddressConfigured")->text();
        // What a complete read would bring now: every lamp switched.
        m_sim.SetRegister(0x5005, lamps[0] ? 0x0000 : 0x0F00);
        m_sim.SetRegister(0x5009, static_cast<uint16_t>(1 + step));
        m_sim.SetRegister(0x6001, static_cast<uint16_t>(3 + step));
        m_sim.SetRegister(0x7004, static_cast<uint16_t>(0x11 + step));
        const Bytes newGeneral = Held(0x5001, 31), newIo = Held(0x6001, 11);

        if (step > 0) m_sim.InjectFault(Fault::None, step);
        m_sim.InjectFault(steps[step].fault);
        ClickRead();
        EXPECT_EQ(m_messages.messages(), QStringList{U(steps[step].message)});
        EXPECT_EQ(m_sim.RequestCount(), static_cast<size_t>(step + 1));
        EXPECT_EQ(GeneralBlock(), step > 0 ? newGeneral : general);
        EXPECT_EQ(Lamps(), step > 0 ? std::vector<bool>(4, !lamps[0]) : lamps);
        EXPECT_EQ(m_dlg->generalPage()->indicatorRow()->ReadInterruptMask(),
                  step > 0 ? 1 + step : mask);
        EXPECT_EQ(IoBlock(), step > 1 ? newIo : io);
        EXPECT_EQ(m_dlg->ioPage()->inputLength(), step > 1 ? 3 + step : inputLength);
        EXPECT_EQ(FieldbusBlock(), fieldbus);
        EXPECT_EQ(Edit(m_dlg->fieldbusPage(), "nodeAddressConfigured")->text(), node);
    }
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
    const std::vector<Bytes> expected = {WriteMany(0x5006, Wire(0x5006, 4)),
                                         WriteMany(0x500B, Wire(0x500B, 5)),
                                         WriteMany(0x5011, Wire(0x5011, 15))};
    ClickModify(1);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    EXPECT_EQ(m_sim.Requests(), expected);
    // Saved only now.
    EXPECT_EQ(m_folder.IniInt("general", "interrupt"), 0x020F);
    EXPECT_NE(m_folder.IniBytes().find("rtuaddr=1"), std::string::npos);
}

TEST_F(Transfer, GeneralModifyUnderUartSendsTheHeldFrameIntervalPastABadStoredOne) {
    // The frame-interval box is disabled with UART selected: a value it
    // cannot hold neither stops the modify nor reaches the module. The line
    // is set not to echo, so the modify follows only the read of the module
    // type that goes before the first write in every echo mode.
    for (const char* stored : {"abc", "70000"}) {
        SCOPED_TRACE(stored);
        m_dlg.reset();
        m_folder.WritePorts(m_sim.DevicePath(),
                            std::string("[com]\r\nbaudrate=6\r\necho=1\r\n[general]\r\nspi=0\r\n"
                                        "rtuaddr=1\r\nspiinterval=") +
                                stored + "\r\n");
        m_dlg = std::make_unique<CQuillonDlg>(m_folder.path());
        m_dlg->show();
        QTest::mouseClick(m_dlg->comPage()->openButton(), Qt::LeftButton);
        ASSERT_TRUE(m_dlg->port().IsOpen());
        m_messages.clear();
        m_sim.ClearRequests();
        QLineEdit* interval = Edit(m_dlg->generalPage(), "frameInterval");
        ASSERT_EQ(interval->text(), U(stored));
        ASSERT_FALSE(interval->isEnabled());

        ClickModify(1);
        EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
        // Nothing was read: the held block is all zeros but for what the
        // page built, and its frame interval (register 0x500D) stays 0.
        const Bytes held = GeneralBlock();
        EXPECT_EQ(held[24], 0);
        EXPECT_EQ(held[25], 0);
        Bytes interfaceRange(held.begin() + 20, held.begin() + 30);
        for (size_t i = 0; i < interfaceRange.size(); i += 2)
            std::swap(interfaceRange[i], interfaceRange[i + 1]);
        const std::vector<Bytes> requests = m_sim.Requests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[0], ReadRequest(0x5003, 2));
        EXPECT_EQ(requests[2], WriteMany(0x500B, interfaceRange));
        EXPECT_EQ(m_sim.Register(0x500B), 1);  // UART
        EXPECT_EQ(m_sim.Register(0x500D), 0);
        m_dlg->port().Close();
    }
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
    EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{WriteMany(0x6001, {0x00, 0x05, 0x00, 0x07})});
    EXPECT_EQ(m_sim.Register(0x6001), 5);
    EXPECT_EQ(m_sim.Register(0x6002), 7);
    EXPECT_EQ(m_folder.IniInt("ioprm", "input"), 5);
    EXPECT_EQ(m_folder.IniInt("ioprm", "output"), 7);
}

TEST_F(Transfer, FieldbusModifyWithoutPasswordSendsAddressAndRateOnly) {
    ReadAll();
    ClickModify(3);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    EXPECT_EQ(m_sim.Requests(),
              (std::vector<Bytes>{WriteOne(0x7004, 0x0025), WriteOne(0x7006, 2)}));
    EXPECT_NE(m_folder.IniBytes().find("addrcfg=25"), std::string::npos);
}

TEST_F(Transfer, FieldbusModifyWithPasswordSendsFourRequestsInOrder) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    const Bytes deviceInfo = Wire(0x700B, 22);
    QLineEdit* password = Edit(m_dlg->fieldbusPage(), "password");
    ASSERT_NE(password, nullptr);

    // A password the module refuses: the device information is not sent.
    password->setText("9999");
    ClickModify(3);
    EXPECT_EQ(m_messages.messages(), QStringList{U("现场总线输入密码错误!")});
    EXPECT_EQ(m_sim.Requests(), (std::vector<Bytes>{WriteOne(0x7004, 0x0025), WriteOne(0x7006, 2),
                                                    WriteOne(0x7003, 0x9999)}));
    EXPECT_EQ(m_folder.IniBytes(), ini);

    ReadAll();
    password->setText("1234");
    ClickModify(3);
    EXPECT_EQ(m_messages.messages(), QStringList{U("修改配置成功!")});
    EXPECT_EQ(m_sim.Requests(),
              (std::vector<Bytes>{WriteOne(0x7004, 0x0025), WriteOne(0x7006, 2),
                                  WriteOne(0x7003, 0x1234), WriteMany(0x700B, deviceInfo)}));
    // The password is never stored.
    EXPECT_EQ(m_folder.IniBytes().find("1234"), std::string::npos);
}

TEST_F(Transfer, RefusedEntriesStopTheModifyBeforeAnyFrame) {
    ReadAll();
    const std::string ini = m_folder.IniBytes();
    const QString range = U("请输入一个介于 0 和 65535 之间的整数。");
    const struct {
        int tab;
        const char* edit;
        const char* text;
        QString message;
    } cases[] = {
        {3, "bitRateConfigured", "abc", U("请输入一个整数。")},
        {3, "bitRateConfigured", "70000", range},
        {3, "bitRateConfigured", "-1", range},
        {3, "nodeAddressConfigured", "2g", U("节点地址输入错误，请重新输入!")},
        {1, "frameInterval", "70000", range},
        {1, "frameInterval", "-1", range},
        {1, "watchdog", "65536", range},
        {1, "watchdog", "12abc", U("请输入一个整数。")},
    };
    // The frame interval counts only with SPI selected.
    QTest::mouseClick(m_dlg->generalPage()->findChild<QRadioButton*>("spiRadio"), Qt::LeftButton);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " " + c.text);
        m_messages.clear();
        QLineEdit* edit = Edit(m_dlg->tabSheet()->widget(c.tab), c.edit);
        ASSERT_NE(edit, nullptr);
        const QString kept = edit->text();
        edit->setText(U(c.text));
        ClickModify(c.tab);
        edit->setText(kept);
        EXPECT_EQ(m_messages.messages(), QStringList{c.message});
        EXPECT_EQ(m_sim.RequestCount(), 0u);
    }
    EXPECT_EQ(m_folder.IniBytes(), ini);
}

// --- device mode "发送" --------------------------------------------------------

TEST_F(Transfer, SendWritesTheDeviceModeValueAndRemembersTheChoice) {
    // After a read the port knows the line has no echo, so each command goes
    // out alone (on a fresh port a read of the module type would come first).
    ReadAll();
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
        EXPECT_EQ(m_sim.Requests(), std::vector<Bytes>{WriteOne(0x5001, c.value)});
        EXPECT_EQ(m_folder.IniInt("general", "modmode"), c.index);
    }
}

}  // namespace
