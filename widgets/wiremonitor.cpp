#include "wiremonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

#include "ccontrolini.h"
#include "core_texts.h"
#include "messages.h"
#include "wiremonitormodel.h"
#include "wirerowdelegate.h"
#include "plain_button.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Text each column is sized for, in the language shown. The verdict must be
// read at a glance; the bytes get what is left and more when widened or
// scrolled to (their whole text is in the tooltip as well).
std::string SizingText(int column) {
    switch (column) {
        case kWireTime:
            return "00:00:00.000";
        case kWireDirection:
            return CoreString(kTextWireReceived);
        case kWireCount:
            return "255";
        case kWireElapsed:
            return "999.9 ms";
        case kWireNote:
            return WireVerdictText(ExchangeVerdict::Exception, 0x02, 0);
        default:
            return std::string();
    }
}

// The longest request note, which the note column must hold as well.
std::string LongestNote() {
    const uint8_t frame[] = {0x01, 0x03, 0x70, 0x01, 0x00, 0x42, 0x00, 0x00};
    return WireRequestName(frame, sizeof frame);
}

constexpr int kBytesWidth = 420;
constexpr int kCellPadding = 12;

}  // namespace

WireMonitor::WireMonitor(QWidget* parent, size_t capacity)
    : QWidget(parent), m_model(new WireMonitorModel(capacity, this)), m_pending(capacity) {
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("wireMonitorView"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(new WireRowDelegate(m_view));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setWordWrap(false);
    m_view->setCornerButtonEnabled(false);
    QHeaderView* rows = m_view->verticalHeader();
    rows->hide();
    // Fixed heights: tens of thousands of rows are never measured.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    QHeaderView* columns = m_view->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFontMetrics metrics = m_view->fontMetrics();
    for (int c = 0; c < kWireColumnCount; ++c) {
        if (c == kWireBytes) continue;
        int text = std::max(metrics.horizontalAdvance(Text(SizingText(c).c_str())),
                            metrics.horizontalAdvance(Text(WireColumnTitle(c))));
        if (c == kWireNote)
            text = std::max(text, metrics.horizontalAdvance(Text(LongestNote().c_str())));
        m_view->setColumnWidth(c, text + kCellPadding);
    }
    m_view->setColumnWidth(kWireBytes, kBytesWidth);

    m_counterLine = new QLabel(this);
    m_counterLine->setObjectName(QStringLiteral("wireCounters"));
    // One line that never widens the panel; a wrapping label would be laid
    // out again at every update. The whole line is also in its tooltip. A
    // run of time-outs adds a second line of its own, what to check.
    m_counterLine->setWordWrap(false);
    m_counterLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_timingLine = new QLabel(this);
    m_timingLine->setObjectName(QStringLiteral("wireTimes"));
    m_timingLine->setWordWrap(false);
    m_timingLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_pauseButton = MakeButton(tr("暂停"), this);
    m_clearButton = MakeButton(tr("清除"), this);
    m_copyButton = MakeButton(tr("复制"), this);
    m_saveButton = MakeButton(tr("保存..."), this);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton* button : {m_pauseButton, m_clearButton, m_copyButton, m_saveButton})
        buttons->addWidget(button);
    buttons->addStretch(1);

    m_detachButton = MakeButton(tr("分离窗口"), this);
    m_detachButton->setObjectName(QStringLiteral("wireDetach"));
    buttons->addWidget(m_detachButton);

    // The panel is what goes into a window of its own; the placeholder takes
    // its place meanwhile.
    m_panel = new QWidget(this);
    auto* panelLayout = new QVBoxLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(m_view, 1);
    panelLayout->addWidget(m_counterLine);
    panelLayout->addWidget(m_timingLine);
    panelLayout->addLayout(buttons);
    for (QWidget* child : {static_cast<QWidget*>(m_view), static_cast<QWidget*>(m_counterLine),
                           static_cast<QWidget*>(m_timingLine)})
        child->setParent(m_panel);

    m_placeholder = new QWidget(this);
    auto* placeLayout = new QVBoxLayout(m_placeholder);
    placeLayout->addStretch(1);
    placeLayout->addWidget(new QLabel(tr("通信监视在独立窗口中。"), m_placeholder), 0,
                           Qt::AlignCenter);
    QPushButton* putBack = MakeButton(tr("放回"), m_placeholder);
    placeLayout->addWidget(putBack, 0, Qt::AlignCenter);
    placeLayout->addStretch(1);
    m_placeholder->hide();

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_panel);
    m_layout->addWidget(m_placeholder);
    connect(m_detachButton, &QPushButton::clicked, this, [this] { SetDetached(!IsDetached()); });
    connect(putBack, &QPushButton::clicked, this, [this] { SetDetached(false); });

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &WireMonitor::Flush);
    connect(m_pauseButton, &QPushButton::clicked, this, [this] { SetPaused(!m_paused); });
    connect(m_clearButton, &QPushButton::clicked, this, &WireMonitor::Clear);
    connect(m_copyButton, &QPushButton::clicked, this, &WireMonitor::CopyRows);
    connect(m_saveButton, &QPushButton::clicked, this, &WireMonitor::OnSave);
    UpdateCounterLine();
}

WireMonitor::~WireMonitor() {
    Attach(nullptr);
    if (IsDetached()) SaveWindowGeometry();
}

// A window of its own (a child of the monitor, so it goes with it) that puts
// the panel back when it is closed.
class WireMonitor::Window : public QWidget {
public:
    explicit Window(WireMonitor* monitor) : QWidget(monitor, Qt::Window), m_monitor(monitor) {
        setWindowTitle(tr("通信监视"));
        setObjectName(QStringLiteral("wireMonitorWindow"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(8, 8, 8, 8);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        m_monitor->SetDetached(false);
    }

private:
    WireMonitor* m_monitor;
};

QWidget* WireMonitor::detachedWindow() const {
    return m_window;
}

bool WireMonitor::IsDetached() const {
    return m_window != nullptr && m_panel->parentWidget() == m_window;
}

void WireMonitor::SetDetached(bool detached) {
    if (detached == IsDetached()) return;
    if (detached) {
        if (m_window == nullptr) {
            m_window = new Window(this);
            m_window->setWindowIcon(window()->windowIcon());
        }
        m_layout->removeWidget(m_panel);
        m_window->layout()->addWidget(m_panel);
        m_panel->show();
        m_placeholder->show();
        m_detachButton->setText(tr("放回"));
        // In the large window the bytes take all the width left.
        m_view->horizontalHeader()->setStretchLastSection(true);
        RestoreWindowGeometry();
        m_window->show();
        m_window->raise();
        return;
    }
    SaveWindowGeometry();
    m_window->layout()->removeWidget(m_panel);
    m_panel->setParent(this);
    m_layout->insertWidget(0, m_panel);
    m_panel->show();
    m_placeholder->hide();
    m_window->hide();
    m_view->horizontalHeader()->setStretchLastSection(false);
    m_view->setColumnWidth(kWireBytes, kBytesWidth);
    m_detachButton->setText(tr("分离窗口"));
}

void WireMonitor::RestoreWindowGeometry() {
    m_window->resize(kWindowWidth, kWindowHeight);
    if (m_settings == nullptr) return;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (m_settings->ReadInt(kMonitorSection, "width", &width) &&
        m_settings->ReadInt(kMonitorSection, "height", &height) && width >= kMinimumSide &&
        height >= kMinimumSide)
        m_window->resize(std::min(width, kLargestSide), std::min(height, kLargestSide));
    // A place is taken only when it is still on one of the screens.
    if (m_settings->ReadInt(kMonitorSection, "x", &x) &&
        m_settings->ReadInt(kMonitorSection, "y", &y) &&
        QGuiApplication::screenAt(QPoint(x + 20, y + 20)) != nullptr)
        m_window->move(x, y);
}

void WireMonitor::SaveWindowGeometry() {
    if (m_settings == nullptr || m_window == nullptr) return;
    const QRect frame = m_window->frameGeometry();
    m_settings->WriteInt(kMonitorSection, "x", frame.x());
    m_settings->WriteInt(kMonitorSection, "y", frame.y());
    m_settings->WriteInt(kMonitorSection, "width", m_window->width());
    m_settings->WriteInt(kMonitorSection, "height", m_window->height());
}

void WireMonitor::Attach(ModuleSession* session) {
    if (m_session != nullptr) m_session->RemoveObserver(this);
    m_session = session;
    if (m_session != nullptr) m_session->AddObserver(this);
}

void WireMonitor::OnExchange(const ExchangeRecord& record) {
    // Runs inside the exchange, on the module's thread: only copy and count
    // here, the table is touched by the next flush.
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        CountExchange(&m_counters, record);
        m_countersChanged = true;
        if (!m_paused) m_pending.Push(record);
    }
    if (QThread::currentThread() == thread()) {
        if (!m_flushTimer.isActive()) m_flushTimer.start();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_flushTimer.isActive()) m_flushTimer.start();
        },
        Qt::QueuedConnection);
}

void WireMonitor::Flush() {
    m_flushTimer.stop();
    std::unique_lock<std::mutex> lock(m_pendingMutex);
    if (!m_pending.empty()) {
        QScrollBar* bar = m_view->verticalScrollBar();
        const bool following = bar->value() >= bar->maximum();
        // Scrolled per row: the value is the top row.
        const int top = bar->value();
        const int dropped = m_model->Append(m_pending);
        m_pending.Clear();
        if (following) {
            m_view->scrollToBottom();
        } else if (dropped > 0) {
            // Rows left at the top: the rows the user is reading stay in place.
            bar->setValue(std::max(0, top - dropped));
        }
    }
    if (m_countersChanged) UpdateCounterLine();
}

void WireMonitor::SetPaused(bool paused) {
    if (paused) Flush();
    m_paused = paused;
    m_pauseButton->setText(paused ? tr("继续") : tr("暂停"));
}

void WireMonitor::Clear() {
    std::unique_lock<std::mutex> lock(m_pendingMutex);
    m_pending.Clear();
    m_model->Clear();
    m_counters = WireCounters();
    UpdateCounterLine();
}

QString WireMonitor::RowsText(const QList<int>& rows) const {
    QString text;
    for (int row : rows) {
        text += m_model->RowText(row);
        text += QLatin1Char('\n');
    }
    return text;
}

QString WireMonitor::AllText() const {
    QString text;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) {
        text += m_model->RowText(row);
        text += QLatin1Char('\n');
    }
    return text;
}

QString WireMonitor::CopyRows() {
    Flush();
    QList<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    const QString text = rows.isEmpty() ? AllText() : RowsText(rows);
    QApplication::clipboard()->setText(text);
    return text;
}

void WireMonitor::OnSave() {
    const QString path = QFileDialog::getSaveFileName(this, tr("保存通信记录"), QString(),
                                                      tr("文本文件 (*.txt);;所有文件 (*)"));
    if (!path.isEmpty()) SaveTo(path);
}

bool WireMonitor::SaveTo(const QString& path) {
    Flush();
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    if (ok) {
        const QByteArray bytes = AllText().toUtf8();
        ok = file.write(bytes) == bytes.size() && file.flush();
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    if (!ok) ShowMessage(this, tr("保存通信记录失败: ") + path + Text("\n") + file.errorString());
    return ok;
}

// Called with m_pendingMutex held (or before any exchange).
void WireMonitor::UpdateCounterLine() {
    m_countersChanged = false;
    const QString line = QString::fromStdString(FormatWireCounters(m_counters));
    m_counterLine->setText(line);
    m_counterLine->setToolTip(line);
    const QString times = QString::fromStdString(FormatWireTimes(m_counters));
    m_timingLine->setText(times);
    m_timingLine->setToolTip(times);
}
