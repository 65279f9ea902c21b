#include "cpropprotocol.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <utility>

#include "cmycugerrormsg.h"
#include "combo_lists.h"
#include "entry_rules.h"
#include "fieldbus_block.h"
#include "hexbytes.h"
#include "int_box.h"
#include "messages.h"
#include "modulesession.h"
#include "moduleworker.h"
#include "network_time.h"
#include "register_map.h"
#include "switch_coding.h"

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// "= 500 kbps" beside a code of the CAN bit-rate list, nothing beside any
// other text: the box still takes and sends it, as typed.
QString BitRateMeaning(const QString& text) {
    bool ok = false;
    const int code = text.trimmed().toInt(&ok);
    if (!ok || code < 0 || code >= kCanBitRateCount) return QString();
    return QStringLiteral("= ") + QString::fromUtf8(CanBitRateName(code));
}

}  // namespace

struct CPropProtocol::Controls {
    QComboBox* moduleState = nullptr;
    QComboBox* fieldbusStatus = nullptr;
    QLineEdit* nodeAddressConfigured = nullptr;
    QLineEdit* nodeAddressActual = nullptr;
    QLineEdit* bitRateConfigured = nullptr;
    QLineEdit* bitRateActual = nullptr;
    // What the code in each bit-rate box means ("= 500 kbps").
    QLabel* bitRateConfiguredMeaning = nullptr;
    QLabel* bitRateActualMeaning = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* vendorId = nullptr;
    QLineEdit* serialNumber = nullptr;
    QLineEdit* productCode = nullptr;
    QLineEdit* productName = nullptr;
    QLineEdit* emergencyStandard = nullptr;
    QLineEdit* emergencyCustom = nullptr;
    QPushButton* sendEmergency = nullptr;
    QPushButton* getErrorMessage = nullptr;
    CMyCUGErrorMsg* errorGrid = nullptr;
    QLineEdit* networkTime = nullptr;
    QPushButton* getNetworkTime = nullptr;

    // Kept only in config.ini: nothing shows or sends them.
    int revision = 0;
    int statusBits = 0;
    int configBits = 0;
    std::string errorMessageText;
    int bitRateConfiguredValue = 0;
    int bitRateActualValue = 0;
};

CPropProtocol::CPropProtocol(QWidget* parent) : QWidget(parent), m_ui(new Controls) {
    setObjectName(QStringLiteral("CPropProtocol"));
    resize(470, 470);
    CreateControls();
    for (CoreText text : kFieldbusStatusTexts)
        m_ui->fieldbusStatus->addItem(QString::fromUtf8(CoreString(text)));
    for (const char* text : kModuleStateTexts) m_ui->moduleState->addItem(QString::fromUtf8(text));
    m_ui->bitRateConfigured->setText(QStringLiteral("0"));
    m_ui->bitRateActual->setText(QStringLiteral("0"));
    OnPasswordChange();
}

CPropProtocol::~CPropProtocol() {
    delete m_ui;
}

CMyCUGErrorMsg* CPropProtocol::errorGrid() const {
    return m_ui->errorGrid;
}

void CPropProtocol::CreateControls() {
    Controls& ui = *m_ui;
    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(x, y, w, 22);
        return l;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromUtf8(name));
        e->setGeometry(x, y, w, 22);
        return e;
    };
    auto list = [this](const char* name, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromUtf8(name));
        c->setGeometry(x, y, w, 22);
        return c;
    };
    auto button = [this](const QString& text, const char* name, int x, int y) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromUtf8(name));
        b->setGeometry(x, y, 60, 24);
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    auto group = [this](const QString& title, int x, int y, int w, int h) {
        auto* g = new QGroupBox(title, this);
        g->setGeometry(x, y, w, h);
        return g;
    };

    label(tr("模块状态:"), 15, 8, 70);
    ui.moduleState = list("moduleState", 85, 8, 120);
    label(tr("现场总线状态:"), 220, 8, 90);
    ui.fieldbusStatus = list("fieldbusStatus", 310, 8, 150);

    group(tr("通信参数"), 10, 36, 450, 76);
    // Narrow enough for five digits each, so that the meaning of the bit-rate
    // code fits beside its box.
    label(tr("节点地址(配置):"), 20, 56, 92);
    ui.nodeAddressConfigured = edit("nodeAddressConfigured", 112, 56, 45);
    label("(dec)", 160, 56, 32);
    label(tr("节点波特率(配置):"), 197, 56, 106);
    ui.bitRateConfigured = edit("bitRateConfigured", 303, 56, 45);
    label("(dec)", 351, 56, 32);
    ui.bitRateConfiguredMeaning = label("", 388, 56, 72);
    label(tr("节点地址(实际):"), 20, 84, 92);
    ui.nodeAddressActual = edit("nodeAddressActual", 112, 84, 45);
    label("(dec)", 160, 84, 32);
    label(tr("节点波特率(实际):"), 197, 84, 106);
    ui.bitRateActual = edit("bitRateActual", 303, 84, 45);
    label("(dec)", 351, 84, 32);
    ui.bitRateActualMeaning = label("", 388, 84, 72);

    group(tr("设备信息"), 10, 116, 450, 106);
    label(tr("密码保护:"), 20, 136, 70);
    ui.password = edit("password", 90, 136, 110);
    ui.password->setEchoMode(QLineEdit::Password);
    label(tr("(输入密码后改变密码保护信息)"), 210, 136, 240);
    label(tr("厂商ID:"), 20, 164, 70);
    ui.vendorId = edit("vendorId", 90, 164, 110);
    label(tr("设备序列号:"), 235, 164, 80);
    ui.serialNumber = edit("serialNumber", 315, 164, 135);
    label(tr("产品代码:"), 20, 192, 70);
    ui.productCode = edit("productCode", 90, 192, 110);
    label(tr("产品名称:"), 235, 192, 80);
    ui.productName = edit("productName", 315, 192, 135);

    group(tr("紧急报文"), 10, 226, 450, 50);
    label(tr("标准错误码:"), 20, 246, 75);
    ui.emergencyStandard = edit("emergencyStandard", 95, 246, 95);
    label(tr("自定义:"), 205, 246, 55);
    ui.emergencyCustom = edit("emergencyCustom", 260, 246, 110);
    ui.sendEmergency = button(tr("发送"), "sendEmergency", 385, 245);

    label(tr("错误消息:"), 15, 282, 70);
    ui.getErrorMessage = button(tr("获取"), "getErrorMessage", 90, 281);
    ui.errorGrid = new CMyCUGErrorMsg(this);
    ui.errorGrid->setObjectName(QStringLiteral("errorGrid"));
    ui.errorGrid->setGeometry(15, 310, 390, 120);

    label(tr("网络时间标识:"), 15, 440, 90);
    ui.networkTime = edit("networkTime", 105, 440, 270);
    ui.networkTime->setReadOnly(true);
    ui.getNetworkTime = button(tr("获取"), "getNetworkTime", 385, 439);

    for (QWidget* fixed : std::initializer_list<QWidget*>{ui.moduleState, ui.fieldbusStatus,
                                                          ui.nodeAddressActual, ui.bitRateActual})
        fixed->setEnabled(false);

    connect(ui.password, &QLineEdit::textChanged, this, [this] { OnPasswordChange(); });
    for (auto [box, meaning] : {std::pair{ui.bitRateConfigured, ui.bitRateConfiguredMeaning},
                                std::pair{ui.bitRateActual, ui.bitRateActualMeaning}}) {
        meaning->setObjectName(box->objectName() + QStringLiteral("Meaning"));
        QLabel* shown = meaning;  // a structured binding cannot be captured in C++17
        connect(box, &QLineEdit::textChanged, shown,
                [shown](const QString& text) { shown->setText(BitRateMeaning(text)); });
    }
    connect(ui.sendEmergency, &QPushButton::clicked, this, [this] { OnSendEmergency(); });
    connect(ui.getErrorMessage, &QPushButton::clicked, this, [this] { OnGetErrorMessage(); });
    connect(ui.getNetworkTime, &QPushButton::clicked, this, [this] { OnGetNetworkTime(); });
}

void CPropProtocol::SetPointers(CControlIni* settings, ModuleSession* session,
                                ModuleWorker* worker) {
    m_settings = settings;
    m_session = session;
    m_worker = worker;
    if (m_worker == nullptr) return;
    for (QPushButton* button : {m_ui->sendEmergency, m_ui->getErrorMessage, m_ui->getNetworkTime})
        m_worker->Guard(button);
}

void CPropProtocol::Initialise() {
    LoadSettings();
    OnPasswordChange();
}

void CPropProtocol::SettingControls(std::vector<ListSetting>* lists,
                                    std::vector<BoxSetting>* boxes) const {
    const Controls& ui = *m_ui;
    *lists = {{kFieldbusModuleState, ui.moduleState}, {kFieldbusStatus, ui.fieldbusStatus}};
    *boxes = {{kFieldbusAddressConfigured, ui.nodeAddressConfigured},
              {kFieldbusAddressActual, ui.nodeAddressActual},
              {kFieldbusVendorId, ui.vendorId},
              {kFieldbusProductCode, ui.productCode},
              {kFieldbusSerialNumber, ui.serialNumber},
              {kFieldbusEmergencyStandard, ui.emergencyStandard},
              {kFieldbusEmergencyCustom, ui.emergencyCustom},
              {kFieldbusProductName, ui.productName}};
}

void CPropProtocol::LoadSettings() {
    if (m_settings == nullptr) return;
    Controls& ui = *m_ui;
    SettingValues values;
    ReadSettings(*m_settings, kFieldbusPageSettings, &values);
    std::vector<ListSetting> lists;
    std::vector<BoxSetting> boxes;
    SettingControls(&lists, &boxes);
    ShowSettings(values, lists, boxes);
    ui.bitRateConfiguredValue = values.Int(kFieldbusRateConfigured);
    ui.bitRateActualValue = values.Int(kFieldbusRateActual);
    ui.revision = values.Int(kFieldbusRevision);
    ui.statusBits = values.Int(kFieldbusStatusBits);
    ui.configBits = values.Int(kFieldbusConfigBits);
    values.Text(kFieldbusErrorMessage, &ui.errorMessageText);

    ui.bitRateConfigured->setText(QString::number(ui.bitRateConfiguredValue));
    ui.bitRateActual->setText(QString::number(ui.bitRateActualValue));
}

void CPropProtocol::SaveSettings() {
    if (m_settings == nullptr) return;
    Controls& ui = *m_ui;
    // Saving follows a successful modify, which took the boxes already; a
    // box that does not hold an integer keeps the value taken last.
    bool ok = false;
    const int configured = ui.bitRateConfigured->text().trimmed().toInt(&ok);
    if (ok) ui.bitRateConfiguredValue = configured;
    const int actual = ui.bitRateActual->text().trimmed().toInt(&ok);
    if (ok) ui.bitRateActualValue = actual;

    SettingValues values;
    std::vector<ListSetting> lists;
    std::vector<BoxSetting> boxes;
    SettingControls(&lists, &boxes);
    TakeSettings(lists, boxes, &values);
    values.SetInt(kFieldbusRateConfigured, ui.bitRateConfiguredValue);
    values.SetInt(kFieldbusRateActual, ui.bitRateActualValue);
    values.SetInt(kFieldbusRevision, ui.revision);
    values.SetInt(kFieldbusStatusBits, ui.statusBits);
    values.SetInt(kFieldbusConfigBits, ui.configBits);
    values.SetText(kFieldbusErrorMessage, ui.errorMessageText);
    WriteSettings(m_settings, kFieldbusPageSettings, values);
}

void CPropProtocol::FillFromBlock(const uint8_t* block) {
    if (block == nullptr) return;
    Controls& ui = *m_ui;
    FieldbusFields f;
    DecodeFieldbusBlock(block, SwitchCodingMode(), &f);

    SelectOrClear(ui.fieldbusStatus, f.fieldbusStatus);
    // An NMT state the list does not know leaves the shown one.
    if (f.moduleState >= 0) SelectOrClear(ui.moduleState, f.moduleState);
    ui.nodeAddressConfigured->setText(FromUtf8(f.nodeAddressConfigured));
    ui.nodeAddressActual->setText(FromUtf8(f.nodeAddressActual));
    ui.bitRateConfiguredValue = f.bitRateConfigured;
    ui.bitRateActualValue = f.bitRateActual;
    ui.bitRateConfigured->setText(QString::number(f.bitRateConfigured));
    ui.bitRateActual->setText(QString::number(f.bitRateActual));
    ui.vendorId->setText(FromUtf8(f.vendorId));
    ui.productCode->setText(FromUtf8(f.productCode));
    ui.serialNumber->setText(FromUtf8(f.serialNumber));
    ui.emergencyStandard->setText(FromUtf8(f.emergencyStandard));
    ui.emergencyCustom->setText(FromUtf8(f.emergencyCustom));
    ui.productName->setText(FromUtf8(f.productName));
    ui.errorGrid->SetBytes(f.errorMessage, static_cast<int>(kErrorMessageBytes));
}

bool CPropProtocol::TakeBitRate(int* value) {
    return TakeIntBox(m_ui->bitRateConfigured, kRegisterEntry.low, kRegisterEntry.high, value);
}

CPropProtocol::BuildResult CPropProtocol::BuildBlock(uint8_t* block) {
    Controls& ui = *m_ui;
    int bitRate = 0;
    if (!TakeBitRate(&bitRate)) return BuildRefused;
    ui.bitRateConfiguredValue = bitRate;

    // A text that is no number in the notation would send an address the
    // user never meant, so it is refused like a bad bit rate.
    uint16_t address = 0;
    const NodeAddressEntry entry = CheckNodeAddressEntry(
        ui.nodeAddressConfigured->text().toStdString(), SwitchCodingMode(), &address);
    if (entry == NodeAddressEntry::NotANumber) {
        ShowMessage(this, tr("节点地址输入错误，请重新输入!"));
        ui.nodeAddressConfigured->setFocus(Qt::OtherFocusReason);
        return BuildRefused;
    }
    if (entry == NodeAddressEntry::OutOfRange) {
        // The bounds speak the notation the address was typed in.
        const QString high = FromUtf8(FormatNodeAddress(0xFFFF, SwitchCodingMode()));
        ShowMessage(this, tr("请输入一个介于 0 和 %1 之间的整数。").arg(high));
        ui.nodeAddressConfigured->setFocus(Qt::OtherFocusReason);
        return BuildRefused;
    }

    const std::string password = ui.password->text().toStdString();
    const BuildResult result = password.empty() ? NoPassword : PasswordGiven;
    if (block == nullptr) return result;

    FieldbusEntries entries;
    // The module judges the password, so it keeps its loose reading: the
    // leading hex digits, low 16 bits.
    entries.password = static_cast<uint16_t>(ParseHexNumber(password) & 0xFFFF);
    entries.nodeAddress = address;
    entries.bitRate = static_cast<uint16_t>(bitRate);
    entries.vendorId = ui.vendorId->text().toStdString();
    entries.productCode = ui.productCode->text().toStdString();
    entries.serialNumber = ui.serialNumber->text().toStdString();
    entries.productName = ui.productName->text().toStdString();
    EncodeFieldbusBlock(entries, block);
    return result;
}

void CPropProtocol::OnPasswordChange() {
    const bool given = !m_ui->password->text().isEmpty();
    for (QLineEdit* box :
         {m_ui->vendorId, m_ui->serialNumber, m_ui->productCode, m_ui->productName})
        box->setEnabled(given);
}

bool CPropProtocol::RunOnModule(const std::function<void()>& exchange) {
    // Without a session the exchange fails, as on a closed port.
    if (m_session == nullptr || m_worker == nullptr) return true;
    return m_worker->Run([&](ProcedureHook*) { exchange(); });
}

void CPropProtocol::OnSendEmergency() {
    // The data exchange takes every box first; a refused bit rate stops the
    // send like it stops a modify.
    int bitRate = 0;
    if (!TakeBitRate(&bitRate)) return;
    m_ui->bitRateConfiguredValue = bitRate;

    uint8_t data[4] = {};
    BuildEmergencyData(m_ui->emergencyStandard->text().toStdString(),
                       m_ui->emergencyCustom->text().toStdString(), data);
    bool good = false;
    if (!RunOnModule([&] { good = m_session->SendEmergency(data) == kModuleOk; })) return;
    ShowMessage(this,
                good ? tr("发送紧急代码成功!") : tr("发送紧急代码失败!"));
}

void CPropProtocol::OnGetErrorMessage() {
    uint8_t bytes[kErrorMessageBytes] = {};
    int count = 0;
    int status = kModuleFailed;
    if (!RunOnModule([&] { status = m_session->ReadErrorMessages(bytes, &count); })) return;
    if (status != kModuleOk) {
        ShowMessage(this, tr("获取错误消息失败!"));
        return;
    }
    m_ui->errorGrid->SetBytes(bytes, count);
}

void CPropProtocol::OnGetNetworkTime() {
    uint32_t ms = 0;
    uint16_t days = 0;
    int status = kModuleFailed;
    if (!RunOnModule([&] { status = m_session->ReadNetworkTime(&ms, &days); })) return;
    if (status != kModuleOk) {
        ShowMessage(this, tr("获取网络时间标识失败!"));
        return;
    }
    m_ui->networkTime->setText(FromUtf8(FormatNetworkTime(ms, days)));
}
