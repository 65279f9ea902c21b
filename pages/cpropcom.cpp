#include "cpropcom.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "baud_rates.h"
#include "combo_lists.h"
#include "cserialport.h"
#include "iniportdirectory.h"
#include "keyswallower.h"
#include "messages.h"
#include "module_search_dialog.h"
#include "modulesession.h"
#include "moduleworker.h"
#include "port_messages.h"
#include "portcombobox.h"
#include "wiremonitor.h"

namespace {

const char* const kDataBitItems[] = {"8", "7", "6", "5"};
const char* const kStopBitItems[] = {"1", "1.5", "2"};
const char* const kFlowItems[] = {QT_TRANSLATE_NOOP("CPropCom", "无"),
                                  QT_TRANSLATE_NOOP("CPropCom", "软件流控"),
                                  QT_TRANSLATE_NOOP("CPropCom", "硬件流控")};
const char* const kParityItems[] = {QT_TRANSLATE_NOOP("CPropCom", "无校验"),
                                    QT_TRANSLATE_NOOP("CPropCom", "奇校验"),
                                    QT_TRANSLATE_NOOP("CPropCom", "偶校验")};

template <typename List = QComboBox>
List* MakeList(QWidget* page, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, page);
    label->setGeometry(left, top + 3, 60, 20);
    auto* list = new List(page);
    list->setEditable(false);
    list->setGeometry(left + 64, top, 110, 24);
    list->setMaxVisibleItems(12);
    return list;
}

}  // namespace

CPropCom::CPropCom(QWidget* parent) : QWidget(parent) {
    setFixedSize(470, 470);
    KeySwallower::Install(this);

    const int leftColumn = 40;
    const int rightColumn = 250;
    m_port = MakeList<PortComboBox>(this, tr("串口号:"), leftColumn, 40);
    m_baud = MakeList(this, tr("波特率:"), leftColumn, 80);
    m_dataBits = MakeList(this, tr("数据位:"), leftColumn, 120);
    m_stopBits = MakeList(this, tr("停止位:"), rightColumn, 40);
    m_flow = MakeList(this, tr("流控制:"), rightColumn, 80);
    m_parity = MakeList(this, tr("校验位:"), rightColumn, 120);

    m_openButton = new QPushButton(tr("打开"), this);
    m_openButton->setGeometry(leftColumn + 64, 180, 110, 28);
    m_closeButton = new QPushButton(tr("关闭"), this);
    m_closeButton->setGeometry(rightColumn + 64, 180, 110, 28);
    m_searchButton = new QPushButton(tr("搜索模块..."), this);
    // In the gap between the two, as the monitor takes the space below.
    m_searchButton->setGeometry(leftColumn + 179, 180, 90, 28);
    for (QPushButton* button : {m_openButton, m_closeButton, m_searchButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // The echo state changes with the exchanges of every page; while this
    // page is visible it looks at the port now and then.
    m_echoLabel = new QLabel(this);
    m_echoLabel->setGeometry(leftColumn, 154, 380, 20);
    m_echoTimer = new QTimer(this);
    m_echoTimer->setInterval(250);
    connect(m_echoTimer, &QTimer::timeout, this, &CPropCom::UpdateEchoState);
    UpdateEchoState();

    // The traffic on the line fills the rest of the page.
    auto* monitorGroup = new QGroupBox(tr("通信监视"), this);
    monitorGroup->setObjectName(QStringLiteral("wireMonitorGroup"));
    monitorGroup->setGeometry(8, 222, 454, 242);
    m_monitor = new WireMonitor(monitorGroup);
    auto* monitorLayout = new QVBoxLayout(monitorGroup);
    monitorLayout->setContentsMargins(6, 4, 6, 6);
    monitorLayout->addWidget(m_monitor);

    connect(m_openButton, &QPushButton::clicked, this, &CPropCom::OnOpen);
    connect(m_closeButton, &QPushButton::clicked, this, &CPropCom::OnClose);
    connect(m_searchButton, &QPushButton::clicked, this, &CPropCom::OnSearchModule);
}

void CPropCom::UpdateEchoState() {
    QString state = tr("未知");
    QString advice;
    if (m_serial == nullptr || !m_serial->IsOpen()) {
        state = QString::fromUtf8("—");
    } else if (m_serial->WritesRefused()) {
        state = tr("有");
        advice =
            tr("线路有回显，但 config.ini 的 [com] echo=1（从不）：写入会被它自己的回显确认，"
               "因此不再发送。请把 echo 改为 0（自动）或 2（总是），再重新打开串口。");
    } else if (m_serial->GetEchoState() == CSerialPort::EchoState::Present) {
        state = tr("有");
    } else if (m_serial->GetEchoState() == CSerialPort::EchoState::Absent) {
        state = tr("无");
    }
    QString mode;
    if (m_serial != nullptr && m_serial->GetEchoMode() == CSerialPort::EchoMode::Never)
        mode = tr("（设置: 从不）");
    else if (m_serial != nullptr && m_serial->GetEchoMode() == CSerialPort::EchoMode::Always)
        mode = tr("（设置: 总是）");
    QString text = tr("本地回显: ") + state + mode;
    if (!advice.isEmpty()) text += tr(" 写入已停止");
    if (m_echoLabel->text() != text) m_echoLabel->setText(text);
    if (m_echoLabel->toolTip() != advice) m_echoLabel->setToolTip(advice);
}

void CPropCom::showEvent(QShowEvent* event) {
    UpdateEchoState();
    m_echoTimer->start();
    QWidget::showEvent(event);
}

void CPropCom::hideEvent(QHideEvent* event) {
    m_echoTimer->stop();
    QWidget::hideEvent(event);
}

void CPropCom::SetWorker(ModuleWorker* worker, ModuleSession* session) {
    m_worker = worker;
    m_session = session;
    for (QPushButton* button : {m_openButton, m_closeButton, m_searchButton}) worker->Guard(button);
}

void CPropCom::SetPointers(CSerialPort* port, CControlIni* settings) {
    m_serial = port;
    m_settings = settings;
    m_port->SetSettings(settings);
}

void CPropCom::Initialise() {
    m_port->Fill();
    SetBaudRateItems(m_baud);
    SetItems(m_dataBits, kDataBitItems);
    SetItems(m_stopBits, kStopBitItems);
    SetItems(m_flow, kFlowItems, "CPropCom");
    SetItems(m_parity, kParityItems, "CPropCom");

    m_closeButton->setEnabled(false);
    m_openButton->setEnabled(true);
    LoadSettings();
    m_port->UpdateToolTip();
}

std::vector<ListSetting> CPropCom::Lists() const {
    return {{kComPort, m_port},         {kComBaudRate, m_baud},    {kComByteBits, m_dataBits},
            {kComStopBits, m_stopBits}, {kComFlowControl, m_flow}, {kComParity, m_parity}};
}

void CPropCom::LoadSettings() {
    if (!m_settings) return;
    SettingValues values;
    ReadSettings(*m_settings, kComPageSettings, &values);
    ShowSettings(values, Lists());
}

void CPropCom::SaveSettings() {
    if (!m_settings) return;
    SettingValues values;
    TakeSettings(Lists(), {}, &values);
    WriteSettings(m_settings, kComPageSettings, values);
}

void CPropCom::OnOpen() {
    // The port never changes under an exchange.
    if (m_worker != nullptr && !m_worker->Drain()) return;
    int status = kSerialOpenFailed;
    if (m_serial) {
        const int number = SelectedNumber(m_port);
        const int baud = SelectedNumber(m_baud);
        const int dataBits = SelectedNumber(m_dataBits);
        const int stopBits = m_stopBits->currentIndex();
        const int parity = m_parity->currentIndex();
        const int flow = m_flow->currentIndex();
        CSerialPort* serial = m_serial;
        const auto open = [&](ProcedureHook*) {
            status = serial->Open(number, baud, dataBits, stopBits, parity, flow);
        };
        // A network line may take its whole connect time-out: the window
        // stays live meanwhile. The window closed: nothing to show.
        if (!ModuleWorker::RunOrCall(m_worker, open)) return;
    }
    if (status != kSerialOk) {
        ShowMessage(
            this, m_serial ? OpenPortFailedMessage(m_serial->LastFailure()) : tr("打开串口失败!"));
    } else {
        m_closeButton->setEnabled(true);
        m_openButton->setEnabled(false);
    }
    UpdateEchoState();
    // The selections are remembered whether or not the line came up.
    SaveSettings();
}

void CPropCom::OnClose() {
    // The port never changes under an exchange.
    if (m_worker != nullptr && !m_worker->Drain()) return;
    if (!ClosePort()) ShowMessage(this, tr("关闭串口失败!"));
}

bool CPropCom::ClosePort() {
    if (!m_serial || !m_serial->IsOpen()) return false;
    m_serial->Close();
    m_openButton->setEnabled(true);
    m_closeButton->setEnabled(false);
    UpdateEchoState();
    return true;
}

void CPropCom::OnSearchModule() {
    // The port never changes under an exchange.
    if (m_worker != nullptr && !m_worker->Drain()) return;
    // The search needs the line to itself.
    ClosePort();
    ScanOutcome outcome;
    QString text;
    if (!SearchFromPortList(this, m_port, m_settings, m_worker, m_session, &outcome, &text)) return;
    if (outcome.found) {
        if (outcome.port.number > 0) m_port->setCurrentIndex(outcome.port.number - 1);
        // Behind a server the line's settings are the server's: what the
        // try used says nothing about them, so the lists stay as chosen.
        if (!outcome.settingsFromServer) {
            const int rate = BaudRatePosition(outcome.settings.baud);
            if (rate >= 0) m_baud->setCurrentIndex(rate);
            m_dataBits->setCurrentIndex(m_dataBits->findText(QString::number(kScanDataBits)));
            m_stopBits->setCurrentIndex(kScanStopBits);
            m_flow->setCurrentIndex(0);
            // The parity list's positions are the codes the search uses.
            m_parity->setCurrentIndex(outcome.settings.parity);
        }
        text += tr("\n已选中这些设置, 按\"打开\"连接模块。");
    }
    ShowMessage(this, text);
}
