#include "cpropcfg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cstring>

#include "ccontrolini.h"
#include "cpropio.h"
#include "cserialport.h"
#include "iniportdirectory.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "hexbytes.h"
#include "interruptindicatorrow.h"
#include "intbox.h"
#include "io_block.h"
#include "messages.h"
#include "module_search_dialog.h"
#include "network_time.h"
#include "modulesession.h"
#include "portmessages.h"

namespace {

// Positions in the held general block of the registers this page changes.
constexpr size_t kInterruptMaskByte = 16;  // 0x5009
constexpr size_t kUartSettingsByte = 26;   // 0x500E, low byte = bit-rate position
// Positions in the held (wire-order) fieldbus block.
constexpr size_t kModuleStateByte = 2;  // 0x7002
constexpr size_t kNodeAddressByte = 6;  // 0x7004
constexpr size_t kCanBitRateByte = 10;  // 0x7006

// The node address is always hexadecimal on this page, whatever the
// module's switch coding says.
constexpr int kHexNotation = 0;
constexpr uint64_t kMaxRegisterValue = 0xFFFF;

const char* const kBitRateTexts[] = {"2400",   "4800",   "9600",   "19200",  "38400",
                                     "57600",  "115200", "230400", "460800", "614400 "};
const char* const kDeviceModeTexts[] = {"启动", "复位", "恢复出厂默认"};

// An index outside the list leaves the list without a selection, as a
// hand-edited config.ini or an unknown module value must.
void SelectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

int ItemNumber(const QComboBox* list) {
    if (list->currentIndex() < 0) return 0;
    return ParseLeadingInt(list->currentText().toStdString());
}

std::string BoxText(const QLineEdit* box) { return box->text().toStdString(); }

}  // namespace

CPropCfg::CPropCfg(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kPageWidth, kPageHeight);
    resize(kPageWidth, kPageHeight);
    BuildControls();
}

CPropCfg::~CPropCfg() = default;

void CPropCfg::SetPointers(CControlIni* settings, CSerialPort* port, ModuleSession* session,
                           CPropIo* ioPage) {
    m_settings = settings;
    m_port = port;
    m_session = session;
    m_ioPage = ioPage;
    m_portList->SetSettings(settings);
}

QPushButton* CPropCfg::MakeButton(const QString& caption, int x, int y, int w, int h) {
    auto* button = new QPushButton(caption, this);
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* CPropCfg::MakeLabel(const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, this);
    label->setGeometry(x, y, w, h);
    return label;
}

void CPropCfg::BuildControls() {
    constexpr int kRowHeight = 22;

    MakeLabel(QStringLiteral("串口号:"), 10, 12, 50, kRowHeight);
    m_portList = new PortComboBox(this);
    m_portList->setGeometry(60, 12, 50, kRowHeight);
    m_portList->setMaxVisibleItems(20);
    // Beside the port list there is room for an icon only; the caption is
    // the button's text and tooltip.
    m_searchModule = new QToolButton(this);
    m_searchModule->setText(QStringLiteral("搜索模块..."));
    m_searchModule->setToolTip(QStringLiteral("搜索模块..."));
    m_searchModule->setIcon(SearchIcon());
    m_searchModule->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_searchModule->setGeometry(112, 12, 22, kRowHeight);
    MakeLabel(QStringLiteral("波特率:"), 136, 12, 50, kRowHeight);
    m_bitRateList = new QComboBox(this);
    m_bitRateList->setGeometry(186, 12, 86, kRowHeight);
    m_changeBaud = MakeButton(QStringLiteral("改变波特率"), 282, 11, 86, 24);
    m_changeBaud->setEnabled(false);
    m_openPort = MakeButton(QStringLiteral("打开串口"), 378, 11, 82, 24);

    MakeLabel(QStringLiteral("输入I/O长度:"), 10, 46, 86, kRowHeight);
    m_inputLengthBox = new QLineEdit(this);
    m_inputLengthBox->setGeometry(96, 46, 56, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 156, 46, 40, kRowHeight);
    MakeLabel(QStringLiteral("输出I/O长度:"), 240, 46, 86, kRowHeight);
    m_outputLengthBox = new QLineEdit(this);
    m_outputLengthBox->setGeometry(326, 46, 56, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 386, 46, 40, kRowHeight);

    // The group must exist before the lamps so that they lie on top of it.
    m_interruptGroup = new QGroupBox(QStringLiteral("中断配置"), this);
    m_interruptGroup->setGeometry(10, 76, 450, 50);
    m_row = new InterruptIndicatorRow(this, 20, 98, true);

    auto* commGroup = new QGroupBox(QStringLiteral("通信参数"), this);
    commGroup->setGeometry(10, 136, 450, 58);
    MakeLabel(QStringLiteral("节点地址:"), 20, 160, 70, kRowHeight);
    m_nodeAddressBox = new QLineEdit(this);
    m_nodeAddressBox->setGeometry(90, 160, 70, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 164, 160, 40, kRowHeight);
    MakeLabel(QStringLiteral("CAN波特率:"), 226, 160, 80, kRowHeight);
    m_canBitRateList = new QComboBox(this);
    m_canBitRateList->setGeometry(306, 160, 140, kRowHeight);

    auto* emergencyGroup = new QGroupBox(QStringLiteral("紧急报文"), this);
    emergencyGroup->setGeometry(10, 204, 450, 58);
    MakeLabel(QStringLiteral("标准错误码:"), 20, 228, 80, kRowHeight);
    m_emergencyCodeBox = new QLineEdit(this);
    m_emergencyCodeBox->setGeometry(100, 228, 90, kRowHeight);
    MakeLabel(QStringLiteral("自定义:"), 204, 228, 56, kRowHeight);
    m_emergencyCustomBox = new QLineEdit(this);
    m_emergencyCustomBox->setGeometry(260, 228, 90, kRowHeight);
    m_sendEmergency = MakeButton(QStringLiteral("发送"), 370, 227, 76, 24);

    MakeLabel(QStringLiteral("网络时间标识:"), 10, 280, 96, kRowHeight);
    m_networkTimeBox = new QLineEdit(this);
    m_networkTimeBox->setGeometry(106, 280, 254, kRowHeight);
    m_networkTimeBox->setReadOnly(true);
    m_getNetworkTime = MakeButton(QStringLiteral("获取"), 370, 279, 76, 24);

    MakeLabel(QStringLiteral("模块状态:"), 10, 318, 96, kRowHeight);
    m_moduleStateList = new QComboBox(this);
    m_moduleStateList->setGeometry(106, 318, 150, kRowHeight);

    MakeLabel(QStringLiteral("设备模式:"), 10, 356, 96, kRowHeight);
    m_deviceModeList = new QComboBox(this);
    m_deviceModeList->setGeometry(106, 356, 150, kRowHeight);
    m_sendDeviceMode = MakeButton(QStringLiteral("发送"), 270, 355, 76, 24);

    m_readConfig = MakeButton(QStringLiteral("读取配置"), 106, 408, 110, 30);
    m_modifyConfig = MakeButton(QStringLiteral("修改配置"), 250, 408, 110, 30);
    m_modifyConfig->setEnabled(false);

    connect(m_openPort, &QPushButton::clicked, this, &CPropCfg::OnOpenPort);
    connect(m_searchModule, &QToolButton::clicked, this, &CPropCfg::OnSearchModule);
    connect(m_changeBaud, &QPushButton::clicked, this, &CPropCfg::OnChangeBaudRate);
    connect(m_sendEmergency, &QPushButton::clicked, this, &CPropCfg::OnSendEmergency);
    connect(m_getNetworkTime, &QPushButton::clicked, this, &CPropCfg::OnGetNetworkTime);
    connect(m_sendDeviceMode, &QPushButton::clicked, this, &CPropCfg::OnSendDeviceMode);
    connect(m_readConfig, &QPushButton::clicked, this, &CPropCfg::OnReadConfig);
    connect(m_modifyConfig, &QPushButton::clicked, this, &CPropCfg::OnModifyConfig);
}

void CPropCfg::FillLists() {
    m_portList->Fill();
    m_bitRateList->clear();
    for (const char* text : kBitRateTexts) m_bitRateList->addItem(QString::fromUtf8(text));
    m_moduleStateList->clear();
    for (const char* text : kModuleStateTexts) m_moduleStateList->addItem(QString::fromUtf8(text));
    m_canBitRateList->clear();
    for (const char* text : kCanBitRateTexts) m_canBitRateList->addItem(QString::fromUtf8(text));
    m_deviceModeList->clear();
    for (const char* text : kDeviceModeTexts) m_deviceModeList->addItem(QString::fromUtf8(text));
}

void CPropCfg::Initialise() {
    FillLists();
    m_moduleStateList->setEnabled(false);
    LoadSettings();
    // The port is closed at start, so this always tries to open it.
    OnOpenPort();
}

void CPropCfg::LoadSettings() {
    if (!m_settings) return;
    int value = 0;
    m_settings->ReadInt("com", "com", &value);
    SelectIndex(m_portList, value);
    m_settings->ReadInt("com", "baudrate", &value);
    SelectIndex(m_bitRateList, value);
    m_settings->ReadInt("fieldbus", "modstatus", &value);
    SelectIndex(m_moduleStateList, value);
    m_settings->ReadInt("fieldbus", "baudcfg", &value);
    SelectIndex(m_canBitRateList, value);
    m_settings->ReadInt("general", "modmode", &value);
    SelectIndex(m_deviceModeList, value);
    m_settings->ReadInt("general", "interrupt", &value);
    m_row->ShowInterruptMask(static_cast<uint16_t>(value));
    m_settings->ReadInt("ioprm", "input", &m_inputLength);
    m_settings->ReadInt("ioprm", "output", &m_outputLength);
    PushLengths();

    std::string text = BoxText(m_nodeAddressBox);
    if (m_settings->ReadString("fieldbus", "addrcfg", &text))
        m_nodeAddressBox->setText(QString::fromStdString(text));
    text = BoxText(m_emergencyCodeBox);
    if (m_settings->ReadString("fieldbus", "emcycode1", &text))
        m_emergencyCodeBox->setText(QString::fromStdString(text));
    text = BoxText(m_emergencyCustomBox);
    if (m_settings->ReadString("fieldbus", "emcycode2", &text))
        m_emergencyCustomBox->setText(QString::fromStdString(text));
    m_portList->UpdateToolTip();
}

void CPropCfg::SaveSettings() {
    if (!m_settings) return;
    m_settings->WriteInt("com", "com", m_portList->currentIndex());
    m_settings->WriteInt("com", "baudrate", m_bitRateList->currentIndex());
    m_settings->WriteInt("fieldbus", "modstatus", m_moduleStateList->currentIndex());
    m_settings->WriteInt("fieldbus", "baudcfg", m_canBitRateList->currentIndex());
    m_settings->WriteInt("general", "modmode", m_deviceModeList->currentIndex());
    m_settings->WriteInt("general", "interrupt", m_row->ReadInterruptMask());
    m_settings->WriteInt("ioprm", "input", m_inputLength);
    m_settings->WriteInt("ioprm", "output", m_outputLength);
    m_settings->WriteString("fieldbus", "addrcfg", BoxText(m_nodeAddressBox));
    m_settings->WriteString("fieldbus", "emcycode1", BoxText(m_emergencyCodeBox));
    m_settings->WriteString("fieldbus", "emcycode2", BoxText(m_emergencyCustomBox));
}

bool CPropCfg::TakeLengths() {
    return TakeIntBox(m_inputLengthBox, kMinLength, kMaxLength, &m_inputLength) &&
           TakeIntBox(m_outputLengthBox, kMinLength, kMaxLength, &m_outputLength);
}

void CPropCfg::PushLengths() {
    m_inputLengthBox->setText(QString::number(m_inputLength));
    m_outputLengthBox->setText(QString::number(m_outputLength));
}

void CPropCfg::OnOpenPort() {
    if (!m_port) return;
    if (m_port->IsOpen()) {
        m_port->Close();
        m_openPort->setText(QStringLiteral("打开串口"));
        return;
    }
    const int portNumber = ItemNumber(m_portList);
    const int baud = ItemNumber(m_bitRateList);
    // Without a port number or a bit rate there is nothing sensible to open;
    // no device is touched.
    SerialOpenFailure failure;
    failure.reason = portNumber > 0 ? kOpenLineRefused : kOpenNoPort;
    int status = kSerialOpenFailed;
    if (portNumber > 0 && baud > 0) {
        status = m_port->Open(portNumber, baud);
        failure = m_port->LastFailure();
    }
    if (status == kSerialOk) {
        m_openPort->setText(QStringLiteral("关闭串口"));
    } else {
        ShowMessage(this, OpenPortFailedMessage(failure));
    }
}

void CPropCfg::OnSearchModule() {
    // The search needs the line to itself.
    if (m_port && m_port->IsOpen()) OnOpenPort();
    const std::vector<ScanPort> ports =
        SearchPortsFor(ItemNumber(m_portList), m_settings, m_portList->discoveryRoots());
    if (ports.empty()) {
        ShowMessage(this, QStringLiteral("没有可搜索的串口设备。"));
        return;
    }
    const ScanOutcome outcome =
        RunModuleSearch(this, ports, EchoModeSetting(m_settings));
    if (outcome.cancelled) return;
    QString text = ModuleSearchResultText(outcome, ports);
    if (outcome.found) {
        if (outcome.port.number > 0) m_portList->setCurrentIndex(outcome.port.number - 1);
        for (int i = 0; i < m_bitRateList->count(); ++i) {
            if (ParseLeadingInt(m_bitRateList->itemText(i).toStdString()) == outcome.settings.baud)
                m_bitRateList->setCurrentIndex(i);
        }
        // This edition opens its port with no parity only.
        text += outcome.settings.parity == 0
                    ? QStringLiteral("\n已选中这些设置, 按\"打开串口\"连接模块。")
                    : QStringLiteral("\n简化版只能以无校验打开串口, 请用完整版连接此模块。");
    }
    ShowMessage(this, text);
}

void CPropCfg::OnReadConfig() {
    if (!m_port || !m_port->IsOpen()) {
        ShowMessage(this, QStringLiteral("串口未打开!"));
        return;
    }
    if (!m_session || m_session->ReadGeneralBlock(m_generalBlock) != kModuleOk) {
        ShowMessage(this, QStringLiteral("获取通用参数失败!"));
        return;
    }
    if (m_session->ReadIoBlock(m_ioBlock) != kModuleOk) {
        ShowMessage(this, QStringLiteral("获取 I/O 参数失败!"));
        return;
    }
    if (m_session->ReadFieldbusBlock(m_fieldbusBlock) != kModuleOk) {
        ShowMessage(this, QStringLiteral("获取现场总线参数失败!"));
        return;
    }

    FillFromBlock();
    m_modifyConfig->setEnabled(true);
    m_changeBaud->setEnabled(true);
}

void CPropCfg::FillFromBlock() {
    SelectIndex(m_bitRateList, m_generalBlock[kUartSettingsByte]);
    m_row->ShowInterruptMask(HeldWord(m_generalBlock, kInterruptMaskByte));

    m_inputLength = IoInputLength(m_ioBlock);
    m_outputLength = IoOutputLength(m_ioBlock);
    if (m_ioPage) m_ioPage->SetIoLengths(m_inputLength, m_outputLength);
    PushLengths();

    const int state = ModuleStateIndex(WireWord(m_fieldbusBlock, kModuleStateByte));
    if (state >= 0) m_moduleStateList->setCurrentIndex(state);
    m_nodeAddressBox->setText(QString::fromStdString(
        FormatNodeAddress(WireWord(m_fieldbusBlock, kNodeAddressByte), kHexNotation)));
    SelectIndex(m_canBitRateList, WireWord(m_fieldbusBlock, kCanBitRateByte));
}

bool CPropCfg::WriteInterruptAndBaud() {
    if (!m_session ||
        m_session->WriteInterruptMask(HeldWord(m_generalBlock, kInterruptMaskByte)) != kModuleOk) {
        ShowMessage(this, QStringLiteral("修改中断配置参数失败!"));
        return false;
    }
    if (m_session->WriteUartSettings(HeldWord(m_generalBlock, kUartSettingsByte)) != kModuleOk) {
        ShowMessage(this, QStringLiteral("修改波特率失败!"));
        return false;
    }
    return true;
}

void CPropCfg::OnModifyConfig() {
    if (!TakeLengths()) return;

    uint64_t nodeAddress = 0;
    if (!ParseNodeAddress(BoxText(m_nodeAddressBox), kHexNotation, &nodeAddress)) {
        ShowMessage(this, QStringLiteral("节点地址输入错误，请重新输入!"));
        m_nodeAddressBox->setFocus();
        return;
    }
    // Keeping only the low 16 bits would configure a node the user never
    // typed. The bound is given in the notation the box is typed in.
    if (nodeAddress > kMaxRegisterValue) {
        ShowMessage(this, QStringLiteral("请输入一个介于 0 和 %1 之间的整数。")
                              .arg(QString::fromStdString(
                                  FormatNodeAddress(kMaxRegisterValue, kHexNotation))));
        m_nodeAddressBox->setFocus();
        return;
    }

    // A list without a selection gives 0xFF in its byte (0xFFFF for the CAN
    // bit rate), sent like any other value.
    m_generalBlock[kUartSettingsByte] = static_cast<uint8_t>(m_bitRateList->currentIndex());
    SetHeldWord(m_generalBlock, kInterruptMaskByte, m_row->ReadInterruptMask());
    SetIoLengthsInBlock(m_ioBlock, m_inputLength, m_outputLength);
    SetWireWord(m_fieldbusBlock, kNodeAddressByte, static_cast<uint16_t>(nodeAddress));
    SetWireWord(m_fieldbusBlock, kCanBitRateByte,
                static_cast<uint16_t>(m_canBitRateList->currentIndex()));

    if (!WriteInterruptAndBaud()) return;

    if (m_session->WriteIoLengths(m_ioBlock) != kModuleOk) {
        ShowMessage(this, QStringLiteral("修改 I/O 配置参数失败!"));
        return;
    }
    if (m_ioPage) m_ioPage->SetIoLengths(m_inputLength, m_outputLength);

    if (m_session->WriteNodeAddress(WireWord(m_fieldbusBlock, kNodeAddressByte)) != kModuleOk) {
        ShowMessage(this, QStringLiteral("修改现场总线节点地址配置参数失败!"));
        return;
    }
    if (m_session->WriteNodeBitRate(WireWord(m_fieldbusBlock, kCanBitRateByte)) != kModuleOk) {
        ShowMessage(this, QStringLiteral("修改现场总线波特率配置参数失败!"));
        return;
    }

    PushLengths();
    SaveSettings();
    ShowMessage(this, QStringLiteral("修改配置成功!"));
}

void CPropCfg::OnChangeBaudRate() {
    if (!TakeLengths()) return;
    m_generalBlock[kUartSettingsByte] = static_cast<uint8_t>(m_bitRateList->currentIndex());
    SetHeldWord(m_generalBlock, kInterruptMaskByte, m_row->ReadInterruptMask());
    if (!WriteInterruptAndBaud()) return;
    // The PC port keeps the rate it was opened with until it is reopened.
    ShowMessage(this, QStringLiteral("修改波特率成功!"));
    if (m_settings) m_settings->WriteInt("com", "baudrate", m_bitRateList->currentIndex());
}

void CPropCfg::OnSendDeviceMode() {
    const int value = DeviceModeValueForIndex(m_deviceModeList->currentIndex());
    if (m_session && m_session->WriteDeviceMode(static_cast<uint8_t>(value)) == kModuleOk) {
        ShowMessage(this, QStringLiteral("修改设备模式成功!"));
    } else {
        ShowMessage(this, QStringLiteral("修改设备模式失败!"));
    }
}

void CPropCfg::OnSendEmergency() {
    if (!TakeLengths()) return;
    const std::string code = BoxText(m_emergencyCodeBox);
    const std::string custom = BoxText(m_emergencyCustomBox);
    uint8_t data[4];
    BuildEmergencyData(code, custom, data);
    if (!m_session || m_session->SendEmergency(data) != kModuleOk) {
        ShowMessage(this, QStringLiteral("发送紧急代码失败!"));
        return;
    }
    if (m_settings) {
        m_settings->WriteString("fieldbus", "emcycode1", code);
        m_settings->WriteString("fieldbus", "emcycode2", custom);
    }
    ShowMessage(this, QStringLiteral("发送紧急代码成功!"));
}

void CPropCfg::OnGetNetworkTime() {
    uint32_t ms = 0;
    uint16_t days = 0;
    if (!m_session || m_session->ReadNetworkTime(&ms, &days) != kModuleOk) {
        ShowMessage(this, QStringLiteral("获取网络时间标识失败!"));
        return;
    }
    m_networkTimeBox->setText(QString::fromStdString(FormatNetworkTime(ms, days)));
}
