// The fieldbus page: block fill and build in both node-address notations,
// the refusals, config.ini, and the three direct operations against the
// module simulator (frames recorded) or a scripted module.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmycugerrormsg.h"
#include "cpropprotocol.h"
#include "cserialport.h"
#include "fieldbus_block.h"
#include "frames.h"
#include "messagerecorder.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "moduleworker.h"
#include "programfolder.h"
#include "scriptedslave.h"
#include "switch_coding.h"

namespace {

const QString kAddressWrong = QStringLiteral("节点地址输入错误，请重新输入!");
const QString kRangePrompt = QStringLiteral("请输入一个介于 0 和 65535 之间的整数。");
// The same bounds for a node address typed in BCD notation (hexadecimal).
const QString kHexRangePrompt = QStringLiteral("请输入一个介于 0 和 FFFF 之间的整数。");
const QString kIntegerPrompt = QStringLiteral("请输入一个整数。");
const QString kEmergencySent = QStringLiteral("发送紧急代码成功!");
const QString kEmergencyFailed = QStringLiteral("发送紧急代码失败!");
const QString kErrorMessageFailed = QStringLiteral("获取错误消息失败!");
const QString kNetworkTimeFailed = QStringLiteral("获取网络时间标识失败!");

class FieldbusPage : public ::testing::Test {
protected:
    void SetUp() override {
        SetSwitchCodingMode(0);
        ASSERT_TRUE(m_sim.Start());
        // A pseudo-terminal straight to the module: no adapter echoes here.
        // The read that goes before the first write on a fresh port is made
        // here, so that each test's requests are its own.
        m_port.SetEchoMode(CSerialPort::EchoMode::Never);
        ASSERT_EQ(m_port.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0), 0);
        ASSERT_EQ(m_session.ReadModuleType(nullptr), kModuleOk);
        m_sim.ClearRequests();
    }

    CPropProtocol& Open(const std::string& ini = std::string()) {
        if (!ini.empty()) m_folder.WriteIni(ini);
        m_page = std::make_unique<CPropProtocol>();
        m_page->SetPointers(&m_folder.ini(), &m_session, &m_worker);
        m_page->Initialise();
        m_page->show();
        return *m_page;
    }

    // Moves the page's line to a scripted module.
    void UseScripted(ScriptedSlave& module) {
        ASSERT_TRUE(module.Start());
        m_port.Close();
        ASSERT_EQ(m_port.OpenDevice(module.DevicePath(), 115200, 8, 0, 0, 0), 0);
    }

    template <typename T>
    T* Find(const char* name) const {
        T* child = m_page->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

    // A block as the module holds it after its defaults, in wire order.
    static Bytes ModuleBlock() {
        Bytes block(kFieldbusBlockSize, 0);
        SetWireWord(block.data(), 2, 127);
        SetWireWord(block.data(), 6, 0x0025);
        SetWireWord(block.data(), 8, 0x0025);
        SetWireWord(block.data(), 10, 2);
        SetWireWord(block.data(), 12, 2);
        return block;
    }

    ProgramFolder m_folder;
    ModuleSimulator m_sim;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    MessageRecorder m_messages;
    std::unique_ptr<CPropProtocol> m_page;
    ModuleWorker m_worker{nullptr};
};

TEST_F(FieldbusPage, FreshStartControlsAndThePassword) {
    Open();
    QComboBox* status = List("fieldbusStatus");
    QComboBox* state = List("moduleState");
    ASSERT_EQ(status->count(), 15);
    ASSERT_EQ(state->count(), 4);
    EXPECT_EQ(status->itemText(10), "CRC校验错误");
    EXPECT_EQ(status->itemText(13), "Bussoff复位");
    EXPECT_EQ(state->itemText(0), "Initialisation");
    EXPECT_EQ(state->itemText(1), "Stopped");
    EXPECT_EQ(state->itemText(2), "Operational");
    EXPECT_EQ(state->itemText(3), "PreOperational");
    EXPECT_EQ(status->currentIndex(), 0);
    EXPECT_EQ(state->currentIndex(), 0);
    EXPECT_FALSE(status->isEnabled());
    EXPECT_FALSE(state->isEnabled());
    EXPECT_TRUE(Edit("nodeAddressConfigured")->isEnabled());
    EXPECT_FALSE(Edit("nodeAddressActual")->isEnabled());
    EXPECT_TRUE(Edit("bitRateConfigured")->isEnabled());
    EXPECT_FALSE(Edit("bitRateActual")->isEnabled());
    EXPECT_EQ(Edit("bitRateConfigured")->text(), "0");
    EXPECT_EQ(Edit("password")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Edit("networkTime")->isReadOnly());
    EXPECT_TRUE(Edit("nodeAddressConfigured")->text().isEmpty());

    // The password alone enables the device information; a bad bit rate
    // must not raise a prompt on every keystroke.
    auto infoEnabled = [this](bool enabled) {
        for (const char* info : {"vendorId", "serialNumber", "productCode", "productName"})
            EXPECT_EQ(Edit(info)->isEnabled(), enabled) << info;
    };
    infoEnabled(false);
    Edit("bitRateConfigured")->setText(QStringLiteral("abc"));
    QTest::keyClicks(Edit("password"), "1f");
    infoEnabled(true);
    Edit("password")->clear();
    infoEnabled(false);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(FieldbusPage, NodeAddressFollowsTheSwitchCoding) {
    CPropProtocol& page = Open();
    Bytes block = ModuleBlock();
    SetWireWord(block.data(), 8, 0x0026);
    page.FillFromBlock(block.data());
    EXPECT_EQ(Edit("nodeAddressConfigured")->text(), "25");
    EXPECT_EQ(Edit("nodeAddressActual")->text(), "26");
    SetSwitchCodingMode(1);
    page.FillFromBlock(block.data());
    EXPECT_EQ(Edit("nodeAddressConfigured")->text(), "37");
    EXPECT_EQ(Edit("nodeAddressActual")->text(), "38");

    Edit("nodeAddressConfigured")->setText(QStringLiteral("25"));
    SetSwitchCodingMode(0);
    ASSERT_EQ(page.BuildBlock(block.data()), CPropProtocol::NoPassword);
    EXPECT_EQ(WireWord(block.data(), 6), 0x0025);
    SetSwitchCodingMode(1);
    ASSERT_EQ(page.BuildBlock(block.data()), CPropProtocol::NoPassword);
    EXPECT_EQ(WireWord(block.data(), 6), 0x0019);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(FieldbusPage, EntriesThatAreNoValueAreRefused) {
    CPropProtocol& page = Open();
    Bytes block = ModuleBlock();
    const Bytes before = block;
    struct Case {
        int coding;
        const char* address;
        const char* bitRate;
        QString message;
    };
    const Case cases[] = {
        {0, "", "2", kAddressWrong},        {0, "2g", "2", kAddressWrong},
        {1, "1a", "2", kAddressWrong},      {1, "   ", "2", kAddressWrong},
        {0, "12345", "2", kHexRangePrompt}, {1, "70000", "2", kRangePrompt},
        {1, "-1", "2", kRangePrompt},       {0, "25", "abc", kIntegerPrompt},
        {0, "25", "", kIntegerPrompt},      {0, "25", "70000", kRangePrompt},
        {0, "25", "-1", kRangePrompt},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        SetSwitchCodingMode(c.coding);
        Edit("nodeAddressConfigured")->setText(QString::fromUtf8(c.address));
        Edit("bitRateConfigured")->setText(QString::fromUtf8(c.bitRate));
        EXPECT_EQ(page.BuildBlock(block.data()), CPropProtocol::BuildRefused)
            << c.address << " / " << c.bitRate;
        EXPECT_EQ(m_messages.messages(), QStringList{c.message}) << c.address << " / " << c.bitRate;
        EXPECT_EQ(block, before) << c.address << " / " << c.bitRate;
    }

    m_messages.clear();
    SetSwitchCodingMode(1);
    Edit("nodeAddressConfigured")->setText(QStringLiteral(" 65535 "));
    Edit("bitRateConfigured")->setText(QStringLiteral("8"));
    ASSERT_EQ(page.BuildBlock(block.data()), CPropProtocol::NoPassword);
    EXPECT_EQ(WireWord(block.data(), 6), 0xFFFF);
    EXPECT_EQ(WireWord(block.data(), 10), 8);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(FieldbusPage, StatusAndStateLists) {
    CPropProtocol& page = Open();
    Bytes block = ModuleBlock();
    const struct {
        uint16_t status;
        const char* text;
    } shown[] = {{0x0000, "总线正常"},
                 {0x0001, "警告触发置位"},
                 {0x0030, "缓冲区溢出"},
                 {0x2000, "第一次连接上总线"}};
    for (const auto& s : shown) {
        SetWireWord(block.data(), 0, s.status);
        page.FillFromBlock(block.data());
        EXPECT_EQ(List("fieldbusStatus")->currentText(), QString::fromUtf8(s.text)) << s.status;
    }
    SetWireWord(block.data(), 0, 0x8000);
    page.FillFromBlock(block.data());
    EXPECT_EQ(List("fieldbusStatus")->currentIndex(), -1);

    EXPECT_EQ(List("moduleState")->currentText(), "PreOperational");
    SetWireWord(block.data(), 2, 2);
    page.FillFromBlock(block.data());
    EXPECT_EQ(List("moduleState")->currentText(), "PreOperational");
    SetWireWord(block.data(), 2, 4);
    page.FillFromBlock(block.data());
    EXPECT_EQ(List("moduleState")->currentText(), "Stopped");
}

TEST_F(FieldbusPage, DeviceInformationAndPassword) {
    CPropProtocol& page = Open();
    Bytes block = ModuleBlock();
    page.FillFromBlock(block.data());
    Edit("vendorId")->setText(QStringLiteral("1 2 3"));
    Edit("productCode")->setText(QStringLiteral("1 2 3 4 5"));
    Edit("serialNumber")->setText(QString());
    Edit("productName")->setText(QStringLiteral("ABC"));

    const struct {
        const char* password;
        CPropProtocol::BuildResult result;
        uint16_t value;
    } passwords[] = {
        {"1f", CPropProtocol::PasswordGiven, 0x001F},
        {"12g", CPropProtocol::PasswordGiven, 0x0012},
        {"12345", CPropProtocol::PasswordGiven, 0x2345},
        {"zz", CPropProtocol::PasswordGiven, 0x0000},
        {"", CPropProtocol::NoPassword, 0x0000},
    };
    for (const auto& p : passwords) {
        SetWireWord(block.data(), 4, 0xEEEE);
        Edit("password")->setText(QString::fromUtf8(p.password));
        EXPECT_EQ(page.BuildBlock(block.data()), p.result) << p.password;
        EXPECT_EQ(WireWord(block.data(), 4), p.value) << p.password;
    }
    const uint8_t ids[12] = {1, 2, 3, 0, 1, 2, 3, 4, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(block.data() + 20, ids, sizeof ids), 0);
    EXPECT_EQ(WireWord(block.data(), 32), 0x4241);
    EXPECT_EQ(WireWord(block.data(), 34), 0x0043);
    EXPECT_EQ(WireWord(block.data(), 36), 0x0000);

    block[64] = 0x81;
    block[65] = 0x10;
    block[91] = 0x5A;  // last byte of the error message
    page.FillFromBlock(block.data());
    EXPECT_EQ(Edit("emergencyStandard")->text(), "81 10 ");
    EXPECT_EQ(Edit("emergencyCustom")->text(), "00 00 ");
    EXPECT_EQ(page.errorGrid()->used(), 24);
    EXPECT_EQ(page.errorGrid()->CellText(3, 5), "5A");
    EXPECT_EQ(Edit("vendorId")->text(), "01 02 03 00 ");
    EXPECT_EQ(Edit("productCode")->text(), "01 02 03 04 ");
    EXPECT_EQ(Edit("serialNumber")->text(), "00 00 00 00 ");
    EXPECT_EQ(Edit("productName")->text(), "ABC");
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(FieldbusPage, SettingsKeysInOrderWithoutThePassword) {
    CPropProtocol& page = Open(
        "[fieldbus]\r\nmodstatus=2\r\nfbstatus=6\r\naddrcfg=25\r\naddractual=26\r\n"
        "ratecfg=3\r\nrateactual=4\r\nrevision=259\r\nstatusbits=7\r\ncfgbits=9\r\n"
        "vendorid=00 00 03 A5 \r\nproductcode=1 2\r\nserialnumber=20 24\r\n"
        "emcycode1=81 30\r\nemcycode2=00 01\r\nproductname=VX31\r\nerrormsg=kept text\r\n");
    EXPECT_EQ(List("moduleState")->currentText(), "Operational");
    EXPECT_EQ(List("fieldbusStatus")->currentText(), "缓冲区溢出");
    EXPECT_EQ(Edit("nodeAddressConfigured")->text(), "25");
    EXPECT_EQ(Edit("nodeAddressActual")->text(), "26");
    EXPECT_EQ(Edit("bitRateConfigured")->text(), "3");
    EXPECT_EQ(Edit("bitRateActual")->text(), "4");
    // Beside each bit-rate code what it means, following every change.
    auto meaning = [this](const std::string& box) {
        return Find<QLabel>((box + "Meaning").c_str())->text();
    };
    EXPECT_EQ(meaning("bitRateConfigured"), "= 250 kbps");
    EXPECT_EQ(meaning("bitRateActual"), "= 125 kbps");
    Edit("bitRateConfigured")->setText(QStringLiteral("9"));
    EXPECT_EQ(meaning("bitRateConfigured"), "");
    EXPECT_EQ(Edit("vendorId")->text(), "00 00 03 A5");  // spaces around values are trimmed
    EXPECT_EQ(Edit("emergencyStandard")->text(), "81 30");
    EXPECT_EQ(Edit("productName")->text(), "VX31");
    EXPECT_TRUE(Edit("password")->text().isEmpty());

    Edit("password")->setText(QStringLiteral("SECRETPW"));
    Edit("bitRateConfigured")->setText(QStringLiteral("5"));
    std::remove(m_folder.iniPath().c_str());
    page.SaveSettings();
    const std::vector<std::string> expected = {
        "[fieldbus]",         "modstatus=2",     "fbstatus=6",           "addrcfg=25",
        "addractual=26",      "ratecfg=5",       "rateactual=4",         "revision=259",
        "statusbits=7",       "cfgbits=9",       "vendorid=00 00 03 A5", "productcode=1 2",
        "serialnumber=20 24", "emcycode1=81 30", "emcycode2=00 01",      "productname=VX31",
        "errormsg=kept text",
    };
    EXPECT_EQ(m_folder.IniLines(), expected);

    // A list without a selection is saved as -1.
    Bytes block = ModuleBlock();
    SetWireWord(block.data(), 0, 0x4000);
    page.FillFromBlock(block.data());
    page.SaveSettings();
    int stored = 0;
    EXPECT_TRUE(m_folder.ini().ReadInt("fieldbus", "fbstatus", &stored));
    EXPECT_EQ(stored, -1);
}

TEST_F(FieldbusPage, ProductNameWithALineBreakStaysOnOneLine) {
    CPropProtocol& page = Open();
    Bytes block = ModuleBlock();
    const char name[] = "AB\r\n[x]\nk=v";
    for (size_t i = 0; i + 1 < sizeof name; ++i)
        block[32 + (i ^ 1)] = static_cast<uint8_t>(name[i]);
    page.FillFromBlock(block.data());
    page.SaveSettings();

    int productNameLines = 0;
    for (const std::string& line : m_folder.IniLines()) {
        EXPECT_NE(line, "[x]");
        EXPECT_NE(line.rfind("k=", 0), 0u) << line;
        if (line.rfind("productname=", 0) == 0) ++productNameLines;
    }
    EXPECT_EQ(productNameLines, 1);
    std::string stored;
    EXPECT_TRUE(m_folder.ini().ReadString("fieldbus", "productname", &stored));
    EXPECT_EQ(stored.find('\n'), std::string::npos);
    EXPECT_EQ(stored.find('\r'), std::string::npos);
    EXPECT_EQ(stored, "AB  [x] k=v");
    std::string planted;
    EXPECT_FALSE(m_folder.ini().ReadString("x", "k", &planted));
}

// ---- direct operations --------------------------------------------------

TEST_F(FieldbusPage, EmergencyMessageFrames) {
    Open();
    Edit("emergencyStandard")->setText(QStringLiteral("81 10"));
    Edit("emergencyCustom")->setText(QStringLiteral("00 01"));
    Click("sendEmergency");
    ASSERT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(m_sim.Requests()[0], WriteMany(0x7021, {0x81, 0x10, 0x00, 0x01}));
    EXPECT_EQ(m_sim.Register(0x7021), 0x8110);
    EXPECT_EQ(m_sim.Register(0x7022), 0x0001);
    EXPECT_EQ(m_messages.messages(), QStringList{kEmergencySent});

    m_messages.clear();
    Edit("emergencyStandard")->setText(QStringLiteral("81"));
    Edit("emergencyCustom")->clear();
    Click("sendEmergency");
    ASSERT_EQ(m_sim.RequestCount(), 2u);
    EXPECT_EQ(m_sim.Requests()[1], WriteMany(0x7021, {0x81, 0x00, 0x00, 0x00}));
    EXPECT_EQ(m_sim.Register(0x7021), 0x8100);
    EXPECT_EQ(m_sim.Register(0x7022), 0x0000);
    EXPECT_EQ(m_messages.messages(), QStringList{kEmergencySent});

    // The full edition does not store the texts on a send.
    EXPECT_FALSE(m_folder.IniExists());
}

TEST_F(FieldbusPage, RefusedBitRateStopsTheEmergencySend) {
    Open();
    Edit("emergencyStandard")->setText(QStringLiteral("81 10"));
    for (const char* rate : {"abc", "70000"}) {
        m_messages.clear();
        Edit("bitRateConfigured")->setText(QString::fromUtf8(rate));
        Click("sendEmergency");
        EXPECT_EQ(m_messages.messages().size(), 1) << rate;
        EXPECT_FALSE(m_messages.contains(kEmergencySent)) << rate;
        EXPECT_FALSE(m_messages.contains(kEmergencyFailed)) << rate;
    }
    EXPECT_FALSE(m_sim.WaitForRequests(1, 150));
}

TEST_F(FieldbusPage, ErrorMessageFillsTheGrid) {
    CPropProtocol& page = Open();
    for (uint16_t k = 0; k < 12; ++k)
        m_sim.SetRegister(static_cast<uint16_t>(0x7023 + k), static_cast<uint16_t>(0x0A0B + k));
    Click("getErrorMessage");
    ASSERT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(m_sim.Requests()[0], ReadRequest(0x7023, 12));
    CMyCUGErrorMsg* grid = page.errorGrid();
    EXPECT_EQ(grid->used(), 24);
    EXPECT_EQ(grid->data()[0], 0x0A);
    EXPECT_EQ(grid->data()[1], 0x0B);
    EXPECT_EQ(grid->data()[22], 0x0A);
    EXPECT_EQ(grid->data()[23], 0x16);
    EXPECT_EQ(grid->CellText(3, 5), "16");
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(FieldbusPage, ShortErrorMessageGivesOnlyTheBytesThatCame) {
    CPropProtocol& page = Open();
    ScriptedSlave module;
    UseScripted(module);
    module.Queue(ReadAnswer({1, 2, 3, 4, 5, 6, 7, 8}));
    Click("getErrorMessage");
    CMyCUGErrorMsg* grid = page.errorGrid();
    EXPECT_EQ(grid->used(), 8);
    EXPECT_EQ(grid->CellText(0, 0), "01");
    EXPECT_EQ(grid->CellText(1, 1), "08");
    EXPECT_EQ(grid->CellText(1, 2), "");
    EXPECT_TRUE(m_messages.messages().isEmpty());

    // A byte count that does not match the bytes that came is no answer.
    module.Queue(WithCrc({0x01, 0x03, 0x08, 1, 2, 3, 4}));
    Click("getErrorMessage");
    EXPECT_EQ(m_messages.messages(), QStringList{kErrorMessageFailed});
    EXPECT_EQ(grid->used(), 8);
}

TEST_F(FieldbusPage, NetworkTimeFromTheModule) {
    Open();
    ScriptedSlave module;
    UseScripted(module);
    // 45,296,789 ms = 0x02B32C95, low half first; day 14000 = 0x36B0.
    module.Queue(ReadAnswer({0x2C, 0x95, 0x02, 0xB3, 0x36, 0xB0}));
    Click("getNetworkTime");
    EXPECT_EQ(Edit("networkTime")->text(), "2022年5月1日,12时34分56秒");
    ASSERT_EQ(module.Requests().size(), 1u);
    EXPECT_EQ(module.Requests()[0], ReadRequest(0x7043, 3));

    module.Queue(ReadAnswer({0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    Click("getNetworkTime");
    EXPECT_EQ(Edit("networkTime")->text(), "1984年1月1日,0时0分0秒");
    module.Queue(ReadAnswer({0x00, 0x00, 0x00, 0x00, 0x05, 0xF0}));
    Click("getNetworkTime");
    EXPECT_EQ(Edit("networkTime")->text(), "1988年2月29日,0时0分0秒");
    EXPECT_TRUE(m_messages.messages().isEmpty());

    // Fewer than six data bytes, even when consistent, is a failure.
    module.Queue(ReadAnswer({0x00, 0x01}));
    Click("getNetworkTime");
    EXPECT_EQ(m_messages.messages(), QStringList{kNetworkTimeFailed});
    EXPECT_EQ(Edit("networkTime")->text(), "1988年2月29日,0时0分0秒");
}

}  // namespace
