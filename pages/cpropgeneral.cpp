#include "cpropgeneral.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cstring>

#include "cdlgfbval.h"
#include "combo_lists.h"
#include "entry_rules.h"
#include "general_block.h"
#include "int_box.h"
#include "interruptindicatorrow.h"
#include "messages.h"
#include "switch_coding.h"

namespace {

constexpr int kDefaultValuePosition = 2;  // "默认值" in the offline and idle lists

QStringList Items(std::initializer_list<QString> texts) {
    return QStringList(texts);
}

std::string BoxText(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

struct CPropGeneral::Controls {
    QComboBox* moduleType = nullptr;
    QComboBox* fieldbusType = nullptr;
    QLineEdit* watchdog = nullptr;
    QComboBox* switchCoding = nullptr;
    QRadioButton* spi = nullptr;
    QRadioButton* uart = nullptr;
    QComboBox* cpha = nullptr;
    QComboBox* cpol = nullptr;
    QLineEdit* frameInterval = nullptr;
    QComboBox* uartBaud = nullptr;
    QComboBox* uartDataBits = nullptr;
    QComboBox* uartStopBits = nullptr;
    QComboBox* uartParity = nullptr;
    QRadioButton* crcEnabled = nullptr;
    QRadioButton* crcDisabled = nullptr;
    QLineEdit* modbusAddress = nullptr;
    QComboBox* offline = nullptr;
    QComboBox* idle = nullptr;

    uint8_t faultValues[kFaultValueCount] = {};
    int spiFlag = 0;    // 1 = SPI, 0 = UART
    int crcChoice = 0;  // config.ini "crc", written back as it was read
};

CPropGeneral::CPropGeneral(QWidget* parent) : QWidget(parent), m_ui(new Controls) {
    setObjectName(QStringLiteral("CPropGeneral"));
    resize(470, 470);
    CreateControls();
    FillLists();
    ApplyInterfaceMode();
    m_ui->uart->setChecked(true);
    m_ui->crcDisabled->setChecked(true);
}

CPropGeneral::~CPropGeneral() {
    delete m_ui;
}

void CPropGeneral::CreateControls() {
    Controls& ui = *m_ui;
    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(x, y, w, 22);
        return l;
    };
    auto list = [this](const char* name, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromUtf8(name));
        c->setGeometry(x, y, w, 22);
        return c;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromUtf8(name));
        e->setGeometry(x, y, w, 22);
        return e;
    };
    auto group = [this](const QString& title, int x, int y, int w, int h) {
        auto* g = new QGroupBox(title, this);
        g->setGeometry(x, y, w, h);
        return g;
    };
    auto radio = [this](const QString& text, const char* name, int x, int y) {
        auto* r = new QRadioButton(text, this);
        r->setObjectName(QString::fromUtf8(name));
        r->setGeometry(x, y, 80, 20);
        return r;
    };

    label(tr("模块类型:"), 15, 12, 80);
    ui.moduleType = list("moduleType", 100, 12, 120);
    label(tr("现场总线类型:"), 245, 12, 90);
    ui.fieldbusType = list("fieldbusType", 340, 12, 115);
    label(tr("APP喂狗时间:"), 15, 42, 85);
    ui.watchdog = edit("watchdog", 100, 42, 80);
    label("(dec)", 185, 42, 40);
    label(tr("开关编码:"), 245, 42, 90);
    ui.switchCoding = list("switchCoding", 340, 42, 115);

    // The group frames the lamp row; created first so that the lamps lie on it.
    group(tr("中断配置"), 10, 76, 450, 50);
    m_row = new InterruptIndicatorRow(this, 20, 98, true);

    group(tr("通讯接口配置"), 10, 132, 450, 42);
    ui.spi = radio("SPI", "spiRadio", 40, 150);
    ui.uart = radio("UART", "uartRadio", 160, 150);
    auto* interfaceGroup = new QButtonGroup(this);
    interfaceGroup->addButton(ui.spi);
    interfaceGroup->addButton(ui.uart);

    group("SPI", 10, 180, 220, 112);
    label("CPHA:", 20, 200, 90);
    ui.cpha = list("cpha", 115, 200, 100);
    label("CPOL:", 20, 230, 90);
    ui.cpol = list("cpol", 115, 230, 100);
    label(tr("帧间隔(50us):"), 20, 260, 95);
    ui.frameInterval = edit("frameInterval", 115, 260, 65);
    label("(dec)", 185, 260, 40);

    group("UART", 240, 180, 220, 140);
    label(tr("波特率:"), 250, 200, 60);
    ui.uartBaud = list("uartBaud", 315, 200, 135);
    label(tr("数据位:"), 250, 228, 60);
    ui.uartDataBits = list("uartDataBits", 315, 228, 135);
    label(tr("停止位:"), 250, 256, 60);
    ui.uartStopBits = list("uartStopBits", 315, 256, 135);
    label(tr("校验位:"), 250, 284, 60);
    ui.uartParity = list("uartParity", 315, 284, 135);

    group("Modbus CRC", 10, 298, 220, 46);
    ui.crcEnabled = radio(tr("使能"), "crcEnabledRadio", 30, 318);
    ui.crcDisabled = radio(tr("禁止"), "crcDisabledRadio", 130, 318);
    auto* crcGroup = new QButtonGroup(this);
    crcGroup->addButton(ui.crcEnabled);
    crcGroup->addButton(ui.crcDisabled);
    ui.crcEnabled->setEnabled(false);
    ui.crcDisabled->setEnabled(false);

    label(tr("Modbus地址:"), 250, 330, 80);
    ui.modbusAddress = edit("modbusAddress", 335, 330, 80);
    ui.modbusAddress->setEnabled(false);

    group(tr("设备异常配置(I/O)"), 10, 358, 450, 56);
    label(tr("下线:"), 25, 380, 40);
    ui.offline = list("offline", 70, 380, 120);
    label(tr("空闲:"), 245, 380, 40);
    ui.idle = list("idle", 290, 380, 120);

    // The module's UART rate may also be typed; only a picked item counts, so
    // typed text must stay as typed (no completion, never added as an item).
    ui.uartBaud->setEditable(true);
    ui.uartBaud->setInsertPolicy(QComboBox::NoInsert);
    ui.uartBaud->setCompleter(nullptr);

    connect(ui.spi, &QRadioButton::clicked, this, [this] {
        m_ui->spiFlag = 1;
        ApplyInterfaceMode();
    });
    connect(ui.uart, &QRadioButton::clicked, this, [this] {
        m_ui->spiFlag = 0;
        ApplyInterfaceMode();
    });
    // activated, not currentIndexChanged: only the user's choice opens the
    // dialog, never a settings load or a block fill.
    for (QComboBox* action : {ui.offline, ui.idle}) {
        connect(action, &QComboBox::activated, this, [this](int index) {
            if (index == kDefaultValuePosition) RunFaultValueDialog();
        });
    }
}

void CPropGeneral::FillLists() {
    Controls& ui = *m_ui;
    ui.moduleType->addItems(Items({tr("Tavel模块"), tr("其他")}));
    ui.fieldbusType->addItems(Items({"CANOpen", "DeviceNet", "JAE 1939", "Profibus DP"}));
    ui.switchCoding->addItems(Items({"BCD", tr("二进制")}));
    ui.cpha->addItems(Items({"0", "1"}));
    ui.cpol->addItems(Items({"0", "1"}));
    SetBaudRateItems(ui.uartBaud);
    ui.uartDataBits->addItems(Items({"8"}));
    ui.uartStopBits->addItems(Items({tr("1位"), tr("2位")}));
    ui.uartParity->addItems(Items({tr("无校验"), tr("奇校验"), tr("偶校验")}));
    ui.offline->addItems(Items({tr("清除"), tr("冻结"), tr("默认值")}));
    ui.idle->addItems(Items({tr("清除"), tr("冻结"), tr("默认值")}));
    ui.moduleType->setEnabled(false);
    ui.fieldbusType->setEnabled(false);
}

void CPropGeneral::SetPointers(CSerialPort* port, CControlIni* settings) {
    m_port = port;
    m_settings = settings;
}

void CPropGeneral::Initialise() {
    LoadSettings();
    m_ui->moduleType->setEnabled(false);
    m_ui->fieldbusType->setEnabled(false);
}

void CPropGeneral::ApplyInterfaceMode() {
    Controls& ui = *m_ui;
    const bool spi = ui.spiFlag != 0;
    ui.cpha->setEnabled(spi);
    ui.cpol->setEnabled(spi);
    ui.frameInterval->setEnabled(spi);
    for (QComboBox* uartList : {ui.uartBaud, ui.uartDataBits, ui.uartStopBits, ui.uartParity})
        uartList->setEnabled(!spi);
    ui.modbusAddress->setEnabled(false);
}

const uint8_t* CPropGeneral::faultValues() const {
    return m_ui->faultValues;
}

void CPropGeneral::SettingControls(std::vector<ListSetting>* lists,
                                   std::vector<BoxSetting>* boxes) const {
    const Controls& ui = *m_ui;
    // Stored files keep cpol and cpha crossed: "cpol" holds the list
    // labelled "CPHA:" and "cpha" the one labelled "CPOL:".
    *lists = {{kGeneralModuleType, ui.moduleType}, {kGeneralSwitchCoding, ui.switchCoding},
              {kGeneralFieldbusType, ui.fieldbusType}, {kGeneralIdle, ui.idle},
              {kGeneralOffline, ui.offline}, {kGeneralCpolList, ui.cpha},
              {kGeneralCphaList, ui.cpol}, {kGeneralBaudRate, ui.uartBaud},
              {kGeneralByteBits, ui.uartDataBits}, {kGeneralStopBits, ui.uartStopBits},
              {kGeneralParity, ui.uartParity}};
    *boxes = {{kGeneralWatchdog, ui.watchdog},
              {kGeneralFrameInterval, ui.frameInterval},
              {kGeneralModbusAddress, ui.modbusAddress}};
}

void CPropGeneral::LoadSettings() {
    if (m_settings == nullptr) return;
    Controls& ui = *m_ui;
    SettingValues values;
    ReadSettings(*m_settings, kGeneralPageSettings, &values);
    std::vector<ListSetting> lists;
    std::vector<BoxSetting> boxes;
    SettingControls(&lists, &boxes);
    ShowSettings(values, lists, boxes);
    SetSwitchCodingMode(values.Int(kGeneralSwitchCoding));
    m_row->ShowInterruptMask(static_cast<uint16_t>(values.Int(kGeneralInterrupt)));
    const std::vector<uint8_t>& faults = values.Bytes(kGeneralFaultValues);
    std::memset(ui.faultValues, 0, kFaultValueCount);
    std::memcpy(ui.faultValues, faults.data(), faults.size());
    ui.crcChoice = values.Int(kGeneralCrc);
    ui.spiFlag = values.Int(kGeneralSpi) != 0 ? 1 : 0;

    ApplyInterfaceMode();
    (ui.crcChoice != 0 ? ui.crcEnabled : ui.crcDisabled)->setChecked(true);
    (ui.spiFlag != 0 ? ui.spi : ui.uart)->setChecked(true);
}

void CPropGeneral::SaveSettings() {
    if (m_settings == nullptr) return;
    const Controls& ui = *m_ui;
    SettingValues values;
    std::vector<ListSetting> lists;
    std::vector<BoxSetting> boxes;
    SettingControls(&lists, &boxes);
    TakeSettings(lists, boxes, &values);
    values.SetInt(kGeneralBaudRate, UartBaudPosition());
    values.SetInt(kGeneralInterrupt, m_row->ReadInterruptMask());
    values.SetInt(kGeneralCrc, ui.crcChoice);
    values.SetInt(kGeneralSpi, ui.spiFlag);
    values.SetBytes(kGeneralFaultValues, ui.faultValues, kFaultValueCount);
    WriteSettings(m_settings, kGeneralPageSettings, values);
}

void CPropGeneral::FillFromBlock(const uint8_t* block) {
    if (block == nullptr) return;
    Controls& ui = *m_ui;
    GeneralFields f;
    DecodeGeneralBlock(block, &f);

    SelectOrClear(ui.moduleType, f.moduleType);
    SelectOrClear(ui.fieldbusType, f.fieldbusType);
    SelectOrClear(ui.switchCoding, f.switchCoding);
    SetSwitchCodingMode(HeldWord(block, 10));
    ui.watchdog->setText(QString::number(f.watchdog));
    SelectOrClear(ui.offline, f.offline);
    SelectOrClear(ui.idle, f.idle);
    m_row->ShowInterruptMask(f.interruptMask);
    ui.spiFlag = f.spi ? 1 : 0;
    (f.spi ? ui.spi : ui.uart)->setChecked(true);
    ApplyInterfaceMode();
    SelectOrClear(ui.cpha, f.cpha);
    SelectOrClear(ui.cpol, f.cpol);
    ui.frameInterval->setText(QString::number(f.frameInterval));
    SelectOrClear(ui.uartBaud, f.uartBaud);
    SelectOrClear(ui.uartParity, f.uartParity);
    SelectOrClear(ui.uartStopBits, f.uartStopBits);
    ui.modbusAddress->setText(QString::number(f.modbusAddress));
    // Only the radios follow the module; the stored "crc" choice is kept.
    (f.crcEnabled ? ui.crcEnabled : ui.crcDisabled)->setChecked(true);
    std::memcpy(ui.faultValues, f.faultValues, kFaultValueCount);
}

bool CPropGeneral::TakeWordBox(QLineEdit* box, uint16_t* value) {
    if (box->text().trimmed().isEmpty()) {
        *value = 0;
        return true;
    }
    int taken = 0;
    if (!TakeIntBox(box, kRegisterEntry.low, kRegisterEntry.high, &taken)) return false;
    *value = static_cast<uint16_t>(taken);
    return true;
}

bool CPropGeneral::BuildBlock(uint8_t* block) {
    if (block == nullptr) return true;
    const Controls& ui = *m_ui;

    // Every entry is checked before the block is touched, so a refusal leaves
    // it as it was and the caller sends nothing.
    GeneralFields f;
    if (!TakeWordBox(ui.watchdog, &f.watchdog)) return false;
    if (ui.spi->isChecked()) {
        if (!TakeWordBox(ui.frameInterval, &f.frameInterval)) return false;
    } else {
        f.frameInterval = FrameIntervalUnderUart(BoxText(ui.frameInterval), HeldWord(block, 24));
    }
    if (!CheckModbusAddressEntry(BoxText(ui.modbusAddress), &f.modbusAddress)) {
        ShowMessage(this, tr("修改通用配置参数失败!"));
        return false;
    }

    f.switchCoding = ui.switchCoding->currentIndex();
    f.offline = ui.offline->currentIndex();
    f.idle = ui.idle->currentIndex();
    f.interruptMask = m_row->ReadInterruptMask();
    f.spi = ui.spi->isChecked();
    f.cpha = ui.cpha->currentIndex();
    f.cpol = ui.cpol->currentIndex();
    f.uartBaud = UartBaudPosition();
    f.uartStopBits = ui.uartStopBits->currentIndex();
    f.uartParity = ui.uartParity->currentIndex();
    std::memcpy(f.faultValues, ui.faultValues, kFaultValueCount);
    EncodeGeneralBlock(f, block);
    return true;
}

int CPropGeneral::UartBaudPosition() const {
    const QComboBox* list = m_ui->uartBaud;
    const int position = list->currentIndex();
    if (position < 0 || list->currentText() != list->itemText(position)) return -1;
    return position;
}

void CPropGeneral::RunFaultValueDialog() {
    CDlgFbVal dialog(this);
    dialog.SetValues(m_ui->faultValues, kFaultValueCount);
    if (dialog.exec() != QDialog::Accepted) return;
    const int count = dialog.Count();
    if (count >= 0 && count <= kFaultValueCount)
        std::memcpy(m_ui->faultValues, dialog.Values(), static_cast<size_t>(count));
}
