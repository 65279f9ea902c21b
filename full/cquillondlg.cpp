#include "cquillondlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QRadioButton>
#include <cstring>

#include "cdlgconfigdiff.h"
#include "combo_lists.h"
#include "config_json.h"
#include "config_transfer.h"
#include "cpropcom.h"
#include "cpropgeneral.h"
#include "cpropio.h"
#include "cpropprotocol.h"
#include "ctabsheet.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "interruptindicatorrow.h"
#include "io_block.h"
#include "keyswallower.h"
#include "messages.h"
#include "module_writes.h"
#include "moduleworker.h"
#include "page_settings.h"
#include "procedure_messages.h"
#include "program_paths.h"
#include "skinmanager.h"
#include "wiremonitor.h"
#include "plain_button.h"

namespace {

// Tab positions, in the order the pages are added.
enum Tab { kTabCom = 0, kTabGeneral = 1, kTabIo = 2, kTabFieldbus = 3 };

const char* const kThemeNames[CQuillonDlg::kThemeCount] = {"Default", "Luna", "Royale", "Vista",
                                                           "Office 2007"};

// Skin loaded while the window is built; the saved theme replaces it when
// the window initialises.
const char* const kStartSkin = "Vista.cjstyles";
const char* const kStartScheme = "NormalBlack2.ini";

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

CQuillonDlg::CQuillonDlg(const std::string& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_programFolder(programFolder) {
    if (!m_programFolder.empty() && m_programFolder.back() != '/') m_programFolder += '/';
    const ProgramPaths paths = ProgramPathsFor(m_programFolder, CurrentPathEnvironment());
    m_settings.SetPath(paths.config.path, paths.config.perUser);
    m_skinFolder = QString::fromStdString(paths.skinFolder);
    m_port.SetPortDirectory(&m_portDirectory);
    m_worker = new ModuleWorker(this);

    SkinManager& skins = SkinManager::Instance();
    skins.SetApplyOptions(skins.GetApplyOptions() | 1);
    skins.LoadSkin(m_skinFolder + Text(kStartSkin), m_skinFolder + Text(kStartScheme));

    m_litLamp = LampPixmap(true);
    m_unlitLamp = LampPixmap(false);

    setWindowTitle(tr("Tavel VX31 完整版 V1.11"));
    setWindowIcon(QIcon(m_litLamp));
    KeySwallower::Install(this);

    BuildControls();
    InitialisePages();

    SettingValues values;
    ReadSettings(m_settings, kFullWindowSettings, &values);
    SetDeviceModeItems(m_deviceMode);
    SelectOrClear(m_deviceMode, values.Int(kGeneralDeviceMode));

    m_theme = values.Int(kThemeId);
    if (m_theme >= 0 && m_theme < kThemeCount) m_themeRadios[m_theme]->setChecked(true);
    ApplyTheme();

    for (int i = 0; i < kLampCount; ++i) SetLamp(i, false);
}

CQuillonDlg::~CQuillonDlg() {
    // The worker's exchange uses the session and reports to the monitor:
    // both must outlive it.
    delete m_worker;
    m_worker = nullptr;
    // The pages hold pointers to the session, the port and the settings,
    // which are members and would otherwise go before the child widgets.
    delete m_tabs;
    m_tabs = nullptr;
}

QPixmap CQuillonDlg::LampPixmap(bool lit) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor light = lit ? QColor(170, 255, 170) : QColor(235, 235, 235);
    const QColor face = lit ? QColor(20, 200, 40) : QColor(150, 150, 150);
    const QColor dark = lit ? QColor(0, 110, 20) : QColor(95, 95, 95);

    // Outer ring: a thin dark line around the rim so that the lamp stays
    // visible on light skins.
    painter.setPen(QPen(QColor(80, 80, 80), 1));
    painter.setBrush(lit ? QColor(255, 255, 255) : QColor(200, 200, 200));
    painter.drawEllipse(QRectF(1.5, 1.5, 29, 29));

    QRadialGradient glass(QPointF(12, 11), 16);
    glass.setColorAt(0.0, light);
    glass.setColorAt(0.45, face);
    glass.setColorAt(1.0, dark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glass);
    painter.drawEllipse(QRectF(4.5, 4.5, 23, 23));
    return pixmap;
}

void CQuillonDlg::BuildControls() {
    const int margin = 8;

    m_tabs = new CTabSheet(this);
    m_comPage = new CPropCom;
    m_generalPage = new CPropGeneral;
    m_ioPage = new CPropIo(CPropIo::FullEdition);
    m_fieldbusPage = new CPropProtocol;

    m_tabs->AddPage(tr("串口"), m_comPage);
    m_tabs->AddPage(tr("通用参数"), m_generalPage);
    m_tabs->AddPage(tr("IO参数"), m_ioPage);
    m_tabs->AddPage(tr("现场总线"), m_fieldbusPage);

    // Every page is laid out for a 470 x 470 client area.
    for (QWidget* page : {static_cast<QWidget*>(m_comPage), static_cast<QWidget*>(m_generalPage),
                          static_cast<QWidget*>(m_ioPage), static_cast<QWidget*>(m_fieldbusPage)})
        page->setMinimumSize(470, 470);
    const QSize tabSize = m_tabs->sizeHint().expandedTo(QSize(478, 504));
    m_tabs->setGeometry(margin, margin, tabSize.width(), tabSize.height());

    const int columnLeft = margin + tabSize.width() + 10;
    const int columnWidth = 120;

    auto* ledGroup = new QGroupBox(Text("LED"), this);
    ledGroup->setGeometry(columnLeft, margin, columnWidth, 112);
    const int lampGap = 12;
    const int lampLeft = (columnWidth - 2 * 32 - lampGap) / 2;
    for (int i = 0; i < kLampCount; ++i) {
        m_lamps[i] = new QLabel(ledGroup);
        m_lamps[i]->setGeometry(lampLeft + (i % 2) * (32 + lampGap), 26 + (i / 2) * (32 + 8), 32,
                                32);
    }

    int y = margin + 112 + 16;
    m_readButton = MakeButton(tr("读取配置"), this);
    m_readButton->setGeometry(columnLeft, y, columnWidth, 30);
    y += 40;
    m_modifyButton = MakeButton(tr("修改配置"), this);
    m_modifyButton->setGeometry(columnLeft, y, columnWidth, 30);
    y += 48;
    auto* modeLabel = new QLabel(tr("设备模式:"), this);
    modeLabel->setGeometry(columnLeft, y, columnWidth, 20);
    y += 22;
    m_deviceMode = new QComboBox(this);
    m_deviceMode->setEditable(false);
    m_deviceMode->setGeometry(columnLeft, y, columnWidth, 26);
    y += 36;
    m_sendButton = MakeButton(tr("发送"), this);
    m_sendButton->setGeometry(columnLeft, y, columnWidth, 30);
    y += 48;
    m_saveFileButton = MakeButton(tr("保存到文件..."), this);
    m_saveFileButton->setGeometry(columnLeft, y, columnWidth, 30);
    y += 40;
    m_loadFileButton = MakeButton(tr("从文件载入..."), this);
    m_loadFileButton->setGeometry(columnLeft, y, columnWidth, 30);
    y += 40;
    m_compareFileButton = MakeButton(tr("与文件比较..."), this);
    m_compareFileButton->setGeometry(columnLeft, y, columnWidth, 30);

    const int themeTop = margin + tabSize.height() + 6;
    auto* themeBox = new QGroupBox(tr("主题"), this);
    themeBox->setGeometry(margin, themeTop, tabSize.width(), 52);
    m_themeGroup = new QButtonGroup(this);
    const int radioWidth = (tabSize.width() - 16) / kThemeCount;
    for (int i = 0; i < kThemeCount; ++i) {
        m_themeRadios[i] = new QRadioButton(Text(kThemeNames[i]), themeBox);
        m_themeRadios[i]->setGeometry(12 + i * radioWidth, 22, radioWidth - 2, 22);
        m_themeGroup->addButton(m_themeRadios[i], i);
    }

    connect(m_themeGroup, &QButtonGroup::idClicked, this, &CQuillonDlg::OnThemeClicked);
    connect(m_readButton, &QPushButton::clicked, this, &CQuillonDlg::OnReadConfig);
    connect(m_modifyButton, &QPushButton::clicked, this, &CQuillonDlg::OnModifyConfig);
    connect(m_sendButton, &QPushButton::clicked, this, &CQuillonDlg::OnSendDeviceMode);
    connect(m_saveFileButton, &QPushButton::clicked, this, &CQuillonDlg::OnSaveToFile);
    connect(m_loadFileButton, &QPushButton::clicked, this, &CQuillonDlg::OnLoadFromFile);
    connect(m_compareFileButton, &QPushButton::clicked, this, &CQuillonDlg::OnCompareWithFile);
    for (QPushButton* button : {m_readButton, m_modifyButton, m_sendButton, m_saveFileButton,
                                m_loadFileButton, m_compareFileButton})
        m_worker->Guard(button);

    setFixedSize(columnLeft + columnWidth + margin, themeTop + 52 + margin);
}

void CQuillonDlg::InitialisePages() {
    m_comPage->SetPointers(&m_port, &m_settings);
    m_generalPage->SetPointers(&m_port, &m_settings);
    m_ioPage->SetPointers(&m_settings, &m_session, m_worker);
    m_fieldbusPage->SetPointers(&m_settings, &m_session, m_worker);
    m_comPage->SetWorker(m_worker, &m_session);
    m_comPage->monitor()->Attach(&m_session);
    m_comPage->monitor()->SetSettings(&m_settings);

    // Each page loads its own settings as it initialises; the general page
    // goes before the fieldbus page because it sets the node-address notation.
    m_comPage->Initialise();
    m_generalPage->Initialise();
    m_ioPage->Initialise();
    m_fieldbusPage->Initialise();
    m_tabs->setCurrentIndex(kTabCom);
}

void CQuillonDlg::OnThemeClicked(int theme) {
    m_theme = theme;
    ApplyTheme();
}

void CQuillonDlg::ApplyTheme() {
    const QString name = SkinFileForTheme(m_theme);
    SkinManager::Instance().LoadSkin(name.isEmpty() ? QString() : m_skinFolder + name);
    update();
    repaint();
}

void CQuillonDlg::SetLamp(int index, bool lit) {
    m_lampLit[index] = lit;
    m_lamps[index]->setPixmap(lit ? m_litLamp : m_unlitLamp);
}

void CQuillonDlg::UpdateStatusDisplay() {
    for (int i = 0; i < kLampCount; ++i) SetLamp(i, StatusLampLit(m_blocks.general, i));
    m_deviceMode->setCurrentIndex(DeviceModeIndexFromBlock(m_blocks.general));
}

void CQuillonDlg::closeEvent(QCloseEvent* event) {
    SettingValues values;
    values.SetInt(kGeneralDeviceMode, m_deviceMode->currentIndex());
    values.SetInt(kThemeId, m_theme);
    WriteSettings(&m_settings, kFullWindowSettings, values);
    // A port is never closed under an exchange: when the exchange outlives
    // its bound, the port closes with the window, after the worker.
    if (m_worker->Shutdown(ExchangeBoundMs()) && m_port.IsOpen()) m_port.Close();
    event->accept();
}

// --- "读取配置" ---------------------------------------------------------------

void CQuillonDlg::OnReadConfig() {
    const QString failure = ReadConfiguration();
    if (!failure.isEmpty()) ShowMessage(this, failure);
}

int CQuillonDlg::ExchangeBoundMs() const {
    // The answer's time-out, and the longest frame's way out at a slow rate.
    return m_port.TimeoutMs() + 1000;
}

QString CQuillonDlg::ReadConfiguration() {
    if (!m_port.IsOpen()) return tr("串口未打开!");
    ConfigReadResult read;
    const ConfigBlocks held = m_blocks;
    const ModuleWorker::Progress progress{ReadProgressTitle(), [](const ProcedureStep& step) {
                                              return ReadStepCaption(step.block, step.done,
                                                                     step.total);
                                          }};
    if (!m_worker->Run(
            [&](ProcedureHook* hook) { read = ::ReadConfiguration(&m_session, held, hook); },
            progress))
        return QString();
    m_blocks = read.blocks;
    // Each page shows only a block that was read.
    if (read.Read(ConfigBlock::General)) {
        UpdateStatusDisplay();
        m_generalPage->FillFromBlock(m_blocks.general);
        m_ioPage->indicatorRow()->ShowInterruptMask(HeldWord(m_blocks.general, 18));
    }
    if (read.Read(ConfigBlock::Io)) m_ioPage->FillFromBlock(m_blocks.io);
    if (read.Read(ConfigBlock::Fieldbus)) m_fieldbusPage->FillFromBlock(m_blocks.fieldbus);
    if (read.status == kProcedureCancelled) return ReadCancelledText(read.blocksRead);
    return read.status == kModuleOk ? QString() : ReadFailedText(read.Failed());
}

// --- "修改配置" ---------------------------------------------------------------

void CQuillonDlg::OnModifyConfig() {
    ConfigBlock page = ConfigBlock::General;
    switch (m_tabs->currentIndex()) {
        case kTabGeneral:
            break;
        case kTabIo:
            page = ConfigBlock::Io;
            break;
        case kTabFieldbus:
            page = ConfigBlock::Fieldbus;
            break;
        default:
            // The serial page has nothing to write.
            ShowMessage(this, tr("修改配置成功!"));
            return;
    }
    bool passwordGiven = false;
    if (!BuildShownPage(page, &passwordGiven)) return;
    // The password rule is the load's: the device information goes only
    // after the module took the password.
    const uint16_t password = WireWord(m_blocks.fieldbus, 4);
    ConfigWriteReport report;
    int status = kModuleOk;
    const ConfigBlocks blocks = m_blocks;
    if (!m_worker->Run([&](ProcedureHook*) {
            status = WriteConfigGroups(&m_session, blocks, GroupsOfBlock(page),
                                       passwordGiven ? &password : nullptr, nullptr, &report);
        }))
        return;
    if (status != kModuleOk) {
        ShowMessage(this, GroupFailedText(report.FailedGroup(), report.passwordRefused));
        return;
    }
    SaveShownPage(page);
    ShowMessage(this, tr("修改配置成功!"));
}

bool CQuillonDlg::BuildShownPage(ConfigBlock page, bool* passwordGiven) {
    switch (page) {
        case ConfigBlock::General:
            return m_generalPage->BuildBlock(m_blocks.general);
        case ConfigBlock::Io:
            if (!m_ioPage->TakeBoxes()) return false;
            SetIoLengthsInBlock(m_blocks.io, m_ioPage->inputLength(), m_ioPage->outputLength());
            return true;
        case ConfigBlock::Fieldbus:
            break;
    }
    const CPropProtocol::BuildResult built = m_fieldbusPage->BuildBlock(m_blocks.fieldbus);
    *passwordGiven = built == CPropProtocol::PasswordGiven;
    return built != CPropProtocol::BuildRefused;
}

void CQuillonDlg::SaveShownPage(ConfigBlock page) {
    switch (page) {
        case ConfigBlock::General:
            m_generalPage->SaveSettings();
            return;
        case ConfigBlock::Io:
            m_ioPage->SaveSettings();
            return;
        case ConfigBlock::Fieldbus:
            break;
    }
    m_fieldbusPage->SaveSettings();
}

// --- device mode "发送" -------------------------------------------------------

void CQuillonDlg::OnSendDeviceMode() {
    const int selection = m_deviceMode->currentIndex();
    int status = kModuleOk;
    if (!m_worker->Run([&](ProcedureHook*) { status = SendDeviceMode(&m_session, selection); }))
        return;
    if (status != kModuleOk) {
        ShowMessage(this, tr("修改设备模式失败!"));
        return;
    }
    WriteIntSetting(&m_settings, kGeneralDeviceMode, selection);
    ShowMessage(this, tr("修改设备模式成功!"));
}

// --- configuration files ------------------------------------------------------

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text).trimmed();
}

// What a load did, group by group: every group that differed is named once.
QString LoadOutcomeText(const ConfigWriteReport& report) {
    QStringList lines;
    if (report.status == kProcedureCancelled) {
        lines << CQuillonDlg::tr("从文件载入配置已取消!");
    } else if (report.failed != 0) {
        lines << CQuillonDlg::tr("从文件载入配置失败!");
    } else if (report.written != 0) {
        lines << CQuillonDlg::tr("从文件载入配置成功!");
    } else {
        lines << CQuillonDlg::tr("没有写入任何参数。");
    }
    lines << CQuillonDlg::tr("已写入: ") + CDlgConfigDiff::GroupList(report.written);
    if (report.failed != 0) {
        // The answer may be what was lost; the pages, read back, show what
        // the module holds now.
        lines << CQuillonDlg::tr("写入失败: ") + CDlgConfigDiff::GroupList(report.failed) +
                     (report.passwordRefused ? CQuillonDlg::tr("（现场总线输入密码错误!）")
                                             : QString());
    }
    QStringList notWritten;
    if (report.notSent != 0) notWritten << CDlgConfigDiff::GroupList(report.notSent);
    if (report.skipped != 0)
        notWritten << CDlgConfigDiff::GroupList(report.skipped) + CQuillonDlg::tr("（未输入密码）");
    if (!notWritten.isEmpty())
        lines << CQuillonDlg::tr("未写入: ") + notWritten.join(CQuillonDlg::tr("、"));
    return lines.join('\n');
}

}  // namespace

QString CQuillonDlg::ChooseFile(FileUse use) {
    if (m_chooseFile) return m_chooseFile(use);
    if (m_fileFolder.isEmpty()) m_fileFolder = QDir::homePath();
    QFileDialog dialog(this, use == FileUse::Save ? tr("保存到文件") : tr("选择配置文件"),
                       m_fileFolder, tr("配置文件 (*.json);;所有文件 (*)"));
    if (use == FileUse::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("json"));
        dialog.selectFile(QStringLiteral("vx31-config.json"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const QString path = dialog.selectedFiles().constFirst();
    m_fileFolder = QFileInfo(path).absolutePath();
    return path;
}

bool CQuillonDlg::ReadModuleForFile(ConfigBlocks* blocks) {
    if (!m_port.IsOpen()) {
        ShowMessage(this, tr("串口未打开!"));
        return false;
    }
    ConfigBlock failed = ConfigBlock::General;
    int status = kModuleOk;
    ConfigBlocks read = *blocks;
    const ModuleWorker::Progress progress{ReadProgressTitle(), [](const ProcedureStep& step) {
                                              return ReadStepCaption(step.block, step.done,
                                                                     step.total);
                                          }};
    if (!m_worker->Run(
            [&](ProcedureHook* hook) {
                status = ReadConfigBlocks(&m_session, &read, &failed, hook);
            },
            progress))
        return false;
    if (status == kModuleOk) {
        *blocks = read;
        return true;
    }
    ShowMessage(this, status == kProcedureCancelled ? ReadCancelledText(static_cast<int>(failed))
                                                    : ReadFailedText(failed));
    return false;
}

void CQuillonDlg::OnSaveToFile() {
    // Said before the file dialog, which would otherwise be for nothing.
    if (!m_port.IsOpen()) {
        ShowMessage(this, tr("串口未打开!"));
        return;
    }
    const QString path = ChooseFile(FileUse::Save);
    if (!path.isEmpty()) SaveToFile(path);
}

void CQuillonDlg::OnLoadFromFile() {
    if (!m_port.IsOpen()) {
        ShowMessage(this, tr("串口未打开!"));
        return;
    }
    const QString path = ChooseFile(FileUse::Open);
    if (!path.isEmpty()) LoadFromFile(path);
}

void CQuillonDlg::OnCompareWithFile() {
    if (!m_port.IsOpen()) {
        ShowMessage(this, tr("串口未打开!"));
        return;
    }
    const QString path = ChooseFile(FileUse::Open);
    if (!path.isEmpty()) CompareWithFile(path);
}

void CQuillonDlg::SaveToFile(const QString& path) {
    ConfigBlocks module;
    if (!ReadModuleForFile(&module)) return;
    std::string error;
    if (!SaveConfigFile(QFile::encodeName(path).toStdString(), module, &error)) {
        ShowMessage(this, tr("保存配置文件失败!\n") + FromUtf8(error));
        return;
    }
    ShowMessage(this, tr("配置已保存到文件:\n") + path);
}

void CQuillonDlg::LoadFromFile(const QString& path) {
    LoadOrCompare(path, true);
}

void CQuillonDlg::CompareWithFile(const QString& path) {
    LoadOrCompare(path, false);
}

void CQuillonDlg::LoadOrCompare(const QString& path, bool load) {
    ConfigDocument document;
    std::vector<ConfigError> errors;
    if (!LoadConfigFile(QFile::encodeName(path).toStdString(), &document, &errors)) {
        ShowMessage(this, tr("读取配置文件失败!\n") + FromUtf8(ConfigErrorsText(errors)));
        return;
    }
    ConfigBlocks module;
    if (!ReadModuleForFile(&module)) return;
    ConfigDiff diff;
    if (!DiffConfig(module, document, &diff, &errors)) {
        ShowMessage(this, tr("配置文件不适用于此模块!\n") + FromUtf8(ConfigErrorsText(errors)));
        return;
    }
    if (diff.rows.empty()) {
        ShowMessage(this, load ? tr("模块配置与文件相同，无需写入。") : tr("模块配置与文件相同。"));
        return;
    }

    CDlgConfigDiff dialog(load ? CDlgConfigDiff::Load : CDlgConfigDiff::Compare, this);
    dialog.SetDiff(path, diff);
    if (!load) {
        dialog.exec();
        return;
    }
    ConfigWriteReport report;
    bool wrote = false;
    // The dialog shows the progress itself; its "取消" stops the load
    // before the next group.
    const QMetaObject::Connection steps =
        connect(m_worker, &ModuleWorker::stepStarted, &dialog,
                [&dialog](int done, int total, const QString& group) {
                    dialog.ShowProgress(done, total, group);
                });
    dialog.SetCanceller([this] { m_worker->RequestCancel(); });
    dialog.SetWriter([&](CDlgConfigDiff* shown) {
        const uint16_t password = shown->Password();
        const bool passwordGiven = shown->PasswordGiven();
        const ModuleWorker::Progress progress{QString(), [](const ProcedureStep& step) {
                                                  return CDlgConfigDiff::GroupCaption(step.group);
                                              }};
        wrote = m_worker->Run(
            [&](ProcedureHook* hook) {
                WriteConfigGroups(&m_session, diff.blocks, diff.groups,
                                  passwordGiven ? &password : nullptr, hook, &report);
            },
            progress);
    });
    const int answer = dialog.exec();
    disconnect(steps);
    if (answer != QDialog::Accepted || !wrote) return;

    QString text = LoadOutcomeText(report);
    // The pages show what the module holds now, as after "读取配置"; also
    // after a failure, when only the answer may have been lost.
    if (report.written != 0 || report.failed != 0) {
        const QString readFailure = ReadConfiguration();
        if (!readFailure.isEmpty()) text += tr("\n重新读取配置: ") + readFailure;
    }
    ShowMessage(this, text);
}
