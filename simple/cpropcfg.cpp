#include "cpropcfg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cstring>
#include <initializer_list>

#include "baud_rates.h"
#include "combo_lists.h"
#include "config_transfer.h"
#include "cpropio.h"
#include "cserialport.h"
#include "entry_rules.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "iniportdirectory.h"
#include "int_box.h"
#include "interruptindicatorrow.h"
#include "io_block.h"
#include "messages.h"
#include "module_search_dialog.h"
#include "module_writes.h"
#include "network_time.h"
#include "port_messages.h"
#include "procedure_messages.h"

namespace {

// The node address is always hexadecimal on this page, whatever the
// module's switch coding says.
constexpr int kHexNotation = 0;

std::string BoxText(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

CPropCfg::CPropCfg(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kPageWidth, kPageHeight);
    resize(kPageWidth, kPageHeight);
    BuildControls();
}

CPropCfg::~CPropCfg() = default;

void CPropCfg::SetPointers(CControlIni* settings, CSerialPort* port, ModuleSession* session,
                           ModuleWorker* worker, CPropIo* ioPage) {
    m_settings = settings;
    m_port = port;
    m_session = session;
    m_worker = worker;
    if (m_worker != nullptr) {
        for (QWidget* control : std::initializer_list<QWidget*>{
                 m_changeBaud, m_openPort, m_searchModule, m_sendEmergency, m_getNetworkTime,
                 m_sendDeviceMode, m_readConfig, m_modifyConfig})
            m_worker->Guard(control);
    }
    m_ioPage = ioPage;
    m_portList->SetSettings(settings);
}

bool CPropCfg::RunOnModule(const std::function<void(ProcedureHook* hook)>& exchanges,
                           const ModuleWorker::Progress& progress) {
    if (m_worker == nullptr || m_session == nullptr) return false;
    return m_worker->Run(exchanges, progress);
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

    MakeLabel(tr("串口号:"), 10, 12, 50, kRowHeight);
    m_portList = new PortComboBox(this);
    m_portList->setGeometry(60, 12, 50, kRowHeight);
    m_portList->setMaxVisibleItems(20);
    // Beside the port list there is room for an icon only; the caption is
    // the button's text and tooltip.
    m_searchModule = new QToolButton(this);
    m_searchModule->setText(tr("搜索模块..."));
    m_searchModule->setToolTip(tr("搜索模块..."));
    m_searchModule->setIcon(SearchIcon());
    m_searchModule->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_searchModule->setGeometry(112, 12, 22, kRowHeight);
    MakeLabel(tr("波特率:"), 136, 12, 50, kRowHeight);
    m_bitRateList = new QComboBox(this);
    m_bitRateList->setGeometry(186, 12, 86, kRowHeight);
    m_changeBaud = MakeButton(tr("改变波特率"), 282, 11, 86, 24);
    m_changeBaud->setEnabled(false);
    m_openPort = MakeButton(tr("打开串口"), 378, 11, 82, 24);

    MakeLabel(tr("输入I/O长度:"), 10, 46, 86, kRowHeight);
    m_inputLengthBox = new QLineEdit(this);
    m_inputLengthBox->setGeometry(96, 46, 56, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 156, 46, 40, kRowHeight);
    MakeLabel(tr("输出I/O长度:"), 240, 46, 86, kRowHeight);
    m_outputLengthBox = new QLineEdit(this);
    m_outputLengthBox->setGeometry(326, 46, 56, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 386, 46, 40, kRowHeight);

    // The group must exist before the lamps so that they lie on top of it.
    m_interruptGroup = new QGroupBox(tr("中断配置"), this);
    m_interruptGroup->setGeometry(10, 76, 450, 50);
    m_row = new InterruptIndicatorRow(this, 20, 98, true);

    auto* commGroup = new QGroupBox(tr("通信参数"), this);
    commGroup->setGeometry(10, 136, 450, 58);
    MakeLabel(tr("节点地址:"), 20, 160, 70, kRowHeight);
    m_nodeAddressBox = new QLineEdit(this);
    m_nodeAddressBox->setGeometry(90, 160, 70, kRowHeight);
    MakeLabel(QStringLiteral("(dec)"), 164, 160, 40, kRowHeight);
    MakeLabel(tr("CAN波特率:"), 226, 160, 80, kRowHeight);
    m_canBitRateList = new QComboBox(this);
    m_canBitRateList->setGeometry(306, 160, 140, kRowHeight);

    auto* emergencyGroup = new QGroupBox(tr("紧急报文"), this);
    emergencyGroup->setGeometry(10, 204, 450, 58);
    MakeLabel(tr("标准错误码:"), 20, 228, 80, kRowHeight);
    m_emergencyCodeBox = new QLineEdit(this);
    m_emergencyCodeBox->setGeometry(100, 228, 90, kRowHeight);
    MakeLabel(tr("自定义:"), 204, 228, 56, kRowHeight);
    m_emergencyCustomBox = new QLineEdit(this);
    m_emergencyCustomBox->setGeometry(260, 228, 90, kRowHeight);
    m_sendEmergency = MakeButton(tr("发送"), 370, 227, 76, 24);

    MakeLabel(tr("网络时间标识:"), 10, 280, 96, kRowHeight);
    m_networkTimeBox = new QLineEdit(this);
    m_networkTimeBox->setGeometry(106, 280, 254, kRowHeight);
    m_networkTimeBox->setReadOnly(true);
    m_getNetworkTime = MakeButton(tr("获取"), 370, 279, 76, 24);

    MakeLabel(tr("模块状态:"), 10, 318, 96, kRowHeight);
    m_moduleStateList = new QComboBox(this);
    m_moduleStateList->setGeometry(106, 318, 150, kRowHeight);

    MakeLabel(tr("设备模式:"), 10, 356, 96, kRowHeight);
    m_deviceModeList = new QComboBox(this);
    m_deviceModeList->setGeometry(106, 356, 150, kRowHeight);
    m_sendDeviceMode = MakeButton(tr("发送"), 270, 355, 76, 24);

    m_readConfig = MakeButton(tr("读取配置"), 106, 408, 110, 30);
    m_modifyConfig = MakeButton(tr("修改配置"), 250, 408, 110, 30);
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
    SetBaudRateItems(m_bitRateList);
    SetItems(m_moduleStateList, kModuleStateTexts);
    SetCanBitRateItems(m_canBitRateList);
    SetDeviceModeItems(m_deviceModeList);
}

void CPropCfg::Initialise() {
    FillLists();
    m_moduleStateList->setEnabled(false);
    LoadSettings();
    // The port is closed at start, so this always tries to open it.
    ToggleOpen(false);
}

std::vector<ListSetting> CPropCfg::SettingLists() const {
    return {{kComPort, m_portList},
            {kComBaudRate, m_bitRateList},
            {kFieldbusModuleState, m_moduleStateList},
            {kFieldbusCanBitRate, m_canBitRateList},
            {kGeneralDeviceMode, m_deviceModeList}};
}

std::vector<BoxSetting> CPropCfg::SettingBoxes() const {
    return {{kFieldbusAddressConfigured, m_nodeAddressBox},
            {kFieldbusEmergencyStandard, m_emergencyCodeBox},
            {kFieldbusEmergencyCustom, m_emergencyCustomBox}};
}

void CPropCfg::LoadSettings() {
    if (!m_settings) return;
    SettingValues values;
    ReadSettings(*m_settings, kConfigPageSettings, &values);
    ShowSettings(values, SettingLists(), SettingBoxes());
    m_row->ShowInterruptMask(static_cast<uint16_t>(values.Int(kGeneralInterrupt)));
    m_inputLength = values.Int(kIoInput);
    m_outputLength = values.Int(kIoOutput);
    PushLengths();
    m_portList->UpdateToolTip();
}

void CPropCfg::SaveSettings() {
    if (!m_settings) return;
    SettingValues values;
    TakeSettings(SettingLists(), SettingBoxes(), &values);
    values.SetInt(kGeneralInterrupt, m_row->ReadInterruptMask());
    values.SetInt(kIoInput, m_inputLength);
    values.SetInt(kIoOutput, m_outputLength);
    WriteSettings(m_settings, kConfigPageSettings, values);
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
    ToggleOpen(true);
}

void CPropCfg::ToggleOpen(bool onWorker) {
    // The port never changes under an exchange.
    if (m_worker != nullptr && !m_worker->Drain()) return;
    if (!m_port) return;
    if (m_port->IsOpen()) {
        m_port->Close();
        m_openPort->setText(tr("打开串口"));
        return;
    }
    const int portNumber = SelectedNumber(m_portList);
    const int baud = SelectedNumber(m_bitRateList);
    // Without a port number or a bit rate there is nothing sensible to open;
    // no device is touched.
    SerialOpenFailure failure;
    failure.reason = portNumber > 0 ? kOpenLineRefused : kOpenNoPort;
    int status = kSerialOpenFailed;
    if (portNumber > 0 && baud > 0) {
        CSerialPort* port = m_port;
        const auto open = [&](ProcedureHook*) { status = port->Open(portNumber, baud); };
        // The window closed meanwhile: nothing to show.
        if (!ModuleWorker::RunOrCall(onWorker ? m_worker : nullptr, open)) return;
        failure = m_port->LastFailure();
    }
    if (status == kSerialOk) {
        m_openPort->setText(tr("关闭串口"));
    } else {
        ShowMessage(this, OpenPortFailedMessage(failure));
    }
}

void CPropCfg::OnSearchModule() {
    // The port never changes under an exchange.
    if (m_worker != nullptr && !m_worker->Drain()) return;
    // The search needs the line to itself.
    if (m_port && m_port->IsOpen()) OnOpenPort();
    ScanOutcome outcome;
    QString text;
    if (!SearchFromPortList(this, m_portList, m_settings, m_worker, m_session, &outcome, &text))
        return;
    if (outcome.found) {
        if (outcome.port.number > 0) m_portList->setCurrentIndex(outcome.port.number - 1);
        // Behind a server the line's settings are the server's.
        const int rate =
            outcome.settingsFromServer ? -1 : BaudRatePosition(outcome.settings.baud);
        if (rate >= 0) m_bitRateList->setCurrentIndex(rate);
        // This edition opens its port with no parity only.
        text += outcome.settingsFromServer || outcome.settings.parity == 0
                    ? tr("\n已选中这些设置, 按\"打开串口\"连接模块。")
                    : tr("\n简化版只能以无校验打开串口, 请用完整版连接此模块。");
    }
    ShowMessage(this, text);
}

void CPropCfg::OnReadConfig() {
    if (!m_port || !m_port->IsOpen()) {
        ShowMessage(this, tr("串口未打开!"));
        return;
    }
    // Blocks read before a failure keep what came; the controls change only
    // after all three.
    ConfigReadResult read;
    const ConfigBlocks held = m_blocks;
    const ModuleWorker::Progress progress{ReadProgressTitle(), [](const ProcedureStep& step) {
                                              return ReadStepCaption(step.block, step.done,
                                                                     step.total);
                                          }};
    if (!RunOnModule([&](ProcedureHook* hook) { read = ReadConfiguration(m_session, held, hook); },
                     progress))
        return;
    m_blocks = read.blocks;
    if (read.status == kProcedureCancelled) {
        ShowMessage(this, ReadCancelledText(read.blocksRead));
        return;
    }
    if (read.status != kModuleOk) {
        ShowMessage(this, ReadFailedText(read.Failed()));
        return;
    }
    FillFromBlock();
    m_modifyConfig->setEnabled(true);
    m_changeBaud->setEnabled(true);
}

void CPropCfg::FillFromBlock() {
    GeneralFields general;
    DecodeGeneralBlock(m_blocks.general, &general);
    SelectOrClear(m_bitRateList, general.uartBaud);
    m_row->ShowInterruptMask(general.interruptMask);

    m_inputLength = IoInputLength(m_blocks.io);
    m_outputLength = IoOutputLength(m_blocks.io);
    if (m_ioPage) m_ioPage->SetIoLengths(m_inputLength, m_outputLength);
    PushLengths();

    FieldbusFields fieldbus;
    DecodeFieldbusBlock(m_blocks.fieldbus, kHexNotation, &fieldbus);
    // An NMT state the list does not know leaves the shown one.
    if (fieldbus.moduleState >= 0) m_moduleStateList->setCurrentIndex(fieldbus.moduleState);
    m_nodeAddressBox->setText(QString::fromStdString(fieldbus.nodeAddressConfigured));
    SelectOrClear(m_canBitRateList, fieldbus.bitRateConfigured);
}

void CPropCfg::OnModifyConfig() {
    if (!TakeLengths()) return;

    SimpleEntries entries;
    // The bound of the range message is given in the notation the box is
    // typed in.
    switch (CheckLeadingNodeAddress(BoxText(m_nodeAddressBox), &entries.nodeAddress)) {
        case NodeAddressEntry::Ok:
            break;
        case NodeAddressEntry::NotANumber:
            ShowMessage(this, tr("节点地址输入错误，请重新输入!"));
            m_nodeAddressBox->setFocus();
            return;
        case NodeAddressEntry::OutOfRange:
            ShowMessage(this, tr("请输入一个介于 0 和 %1 之间的整数。")
                                  .arg(QString::fromStdString(
                                      FormatNodeAddress(kRegisterEntry.high, kHexNotation))));
            m_nodeAddressBox->setFocus();
            return;
    }
    // A list without a selection gives 0xFF in its byte (0xFFFF for the CAN
    // bit rate), sent like any other value.
    entries.uartBaudPosition = m_bitRateList->currentIndex();
    entries.interruptMask = m_row->ReadInterruptMask();
    entries.inputLength = m_inputLength;
    entries.outputLength = m_outputLength;
    entries.canBitRatePosition = m_canBitRateList->currentIndex();

    WriteSequence written;
    const ConfigBlocks held = m_blocks;
    if (!RunOnModule(
            [&](ProcedureHook*) { written = ModifySimpleConfiguration(m_session, held, entries); }))
        return;
    m_blocks = written.blocks;
    if (m_ioPage && written.Done(kStepIoLengths))
        m_ioPage->SetIoLengths(m_inputLength, m_outputLength);
    if (written.status != kModuleOk) {
        ShowMessage(this, SimpleStepFailedText(static_cast<SimpleStep>(written.done)));
        return;
    }
    PushLengths();
    SaveSettings();
    ShowMessage(this, tr("修改配置成功!"));
}

void CPropCfg::OnChangeBaudRate() {
    if (!TakeLengths()) return;
    WriteSequence written;
    const ConfigBlocks held = m_blocks;
    const int position = m_bitRateList->currentIndex();
    const uint16_t mask = m_row->ReadInterruptMask();
    if (!RunOnModule([&](ProcedureHook*) {
            written = ChangeModuleBaudRate(m_session, held, position, mask);
        }))
        return;
    m_blocks = written.blocks;
    if (written.status != kModuleOk) {
        ShowMessage(this, SimpleStepFailedText(static_cast<SimpleStep>(written.done)));
        return;
    }
    // The PC port keeps the rate it was opened with until it is reopened.
    ShowMessage(this, tr("修改波特率成功!"));
    if (m_settings) WriteIntSetting(m_settings, kComBaudRate, m_bitRateList->currentIndex());
}

void CPropCfg::OnSendDeviceMode() {
    int status = kModuleFailed;
    const int position = m_deviceModeList->currentIndex();
    if (m_session != nullptr &&
        !RunOnModule([&](ProcedureHook*) { status = SendDeviceMode(m_session, position); }))
        return;
    if (status == kModuleOk) {
        ShowMessage(this, tr("修改设备模式成功!"));
    } else {
        ShowMessage(this, tr("修改设备模式失败!"));
    }
}

void CPropCfg::OnSendEmergency() {
    if (!TakeLengths()) return;
    const std::string code = BoxText(m_emergencyCodeBox);
    const std::string custom = BoxText(m_emergencyCustomBox);
    uint8_t data[4];
    BuildEmergencyData(code, custom, data);
    int status = kModuleFailed;
    if (m_session != nullptr &&
        !RunOnModule([&](ProcedureHook*) { status = m_session->SendEmergency(data); }))
        return;
    if (status != kModuleOk) {
        ShowMessage(this, tr("发送紧急代码失败!"));
        return;
    }
    if (m_settings) {
        SettingValues values;
        values.SetText(kFieldbusEmergencyStandard, code);
        values.SetText(kFieldbusEmergencyCustom, custom);
        WriteSettings(m_settings, kEmergencySettings, values);
    }
    ShowMessage(this, tr("发送紧急代码成功!"));
}

void CPropCfg::OnGetNetworkTime() {
    uint32_t ms = 0;
    uint16_t days = 0;
    int status = kModuleFailed;
    if (m_session != nullptr &&
        !RunOnModule([&](ProcedureHook*) { status = m_session->ReadNetworkTime(&ms, &days); }))
        return;
    if (status != kModuleOk) {
        ShowMessage(this, tr("获取网络时间标识失败!"));
        return;
    }
    m_networkTimeBox->setText(QString::fromStdString(FormatNetworkTime(ms, days)));
}
