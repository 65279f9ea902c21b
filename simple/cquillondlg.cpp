#include "cquillondlg.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "cpropcfg.h"
#include "cpropio.h"
#include "ctabsheet.h"
#include "keyswallower.h"
#include "moduleworker.h"
#include "program_paths.h"
#include "skinmanager.h"
#include "wiremonitor.h"

namespace {

// The program's own icon: a small module with a green status lamp.
QIcon ApplicationIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 60, 110), 2));
    painter.setBrush(QColor(70, 110, 180));
    painter.drawRoundedRect(QRectF(3, 5, 26, 22), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 230, 230));
    for (int k = 0; k < 4; ++k) painter.drawRect(QRectF(7 + 5 * k, 20, 3, 4));
    painter.setBrush(QColor(40, 200, 60));
    painter.drawEllipse(QRectF(19, 9, 7, 7));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

CQuillonDlg::CQuillonDlg(const std::string& programFolder, QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(tr("Tavel VX31 简化版 V1.02"));

    m_tabSheet = new CTabSheet(this);
    m_cfgPage = new CPropCfg;
    m_ioPage = new CPropIo(CPropIo::SimpleEdition);
    m_monitor = new WireMonitor;

    const ProgramPaths paths = ProgramPathsFor(programFolder, CurrentPathEnvironment());
    m_skinFolder = paths.skinFolder;
    m_settings.SetPath(paths.config.path, paths.config.perUser);
    // Port numbers are mapped to devices through [ports] of the same file.
    m_port.SetPortDirectory(&m_portDirectory);
    LoadSkin();

    OnInitDialog();
}

CQuillonDlg::~CQuillonDlg() {
    // The worker's exchange uses the session and reports to the monitor:
    // both must outlive it.
    delete m_worker;
    m_worker = nullptr;
    // The pages use the port, the request and the settings, which are
    // members and would otherwise be destroyed before the child widgets.
    delete m_tabSheet;
    m_tabSheet = nullptr;
}

void CQuillonDlg::LoadSkin() {
    SkinManager::Instance().LoadSkin(QString::fromStdString(m_skinFolder) +
                                     QString::fromLatin1(kSkinFile));
}

void CQuillonDlg::OnInitDialog() {
    setWindowIcon(ApplicationIcon());

    m_worker = new ModuleWorker(this);
    m_cfgPage->SetPointers(&m_settings, &m_port, &m_session, m_worker, m_ioPage);
    m_ioPage->SetPointers(&m_settings, &m_session, m_worker);
    m_monitor->Attach(&m_session);
    m_monitor->SetSettings(&m_settings);

    m_tabSheet->AddPage(tr("配置"), m_cfgPage);
    m_tabSheet->AddPage(QStringLiteral("I/O"), m_ioPage);
    m_tabSheet->AddPage(tr("通信"), m_monitor);
    m_cfgPage->Initialise();
    m_ioPage->Initialise();
    m_tabSheet->setCurrentIndex(0);

    // Every page gets the same 470 x 470 client area; the window is sized
    // around it and cannot be resized.
    m_ioPage->setMinimumSize(CPropCfg::kPageWidth, CPropCfg::kPageHeight);
    m_monitor->setContentsMargins(8, 8, 8, 8);
    const QSize size = m_tabSheet->sizeHint().expandedTo(m_tabSheet->minimumSizeHint());
    m_tabSheet->setGeometry(0, 0, size.width(), size.height());
    setFixedSize(size);

    KeySwallower::Install(this);

    LoadSkin();
    update();
}

void CQuillonDlg::closeEvent(QCloseEvent* event) {
    m_ioPage->SaveSettings();
    // A port is never closed under an exchange: when the exchange outlives
    // its bound (the answer's time-out and the way out of a long frame), the
    // port closes with the window, after the worker.
    if (m_worker->Shutdown(m_port.TimeoutMs() + 1000) && m_port.IsOpen()) m_port.Close();
    event->accept();
    QDialog::closeEvent(event);
}
