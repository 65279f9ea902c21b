#include "wiremonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core_texts.h"
#include "messages.h"
#include "wiremonitormodel.h"
#include "wirerowdelegate.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QPushButton* MakeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    // Enter must never press a button of the window.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
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
        const int text = std::max(metrics.horizontalAdvance(Text(SizingText(c).c_str())),
                                  metrics.horizontalAdvance(Text(WireColumnTitle(c))));
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

    m_pauseButton = MakeButton(tr("暂停"), this);
    m_clearButton = MakeButton(tr("清除"), this);
    m_copyButton = MakeButton(tr("复制"), this);
    m_saveButton = MakeButton(tr("保存..."), this);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton* button : {m_pauseButton, m_clearButton, m_copyButton, m_saveButton})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_counterLine);
    layout->addLayout(buttons);

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
}

void WireMonitor::Attach(ModuleSession* session) {
    if (m_session != nullptr) m_session->RemoveObserver(this);
    m_session = session;
    if (m_session != nullptr) m_session->AddObserver(this);
}

void WireMonitor::OnExchange(const ExchangeRecord& record) {
    // Runs inside the exchange: only copy and count here, the table is
    // touched by the next flush.
    CountExchange(&m_counters, record);
    m_countersChanged = true;
    if (!m_paused) m_pending.Push(record);
    if (!m_flushTimer.isActive()) m_flushTimer.start();
}

void WireMonitor::Flush() {
    m_flushTimer.stop();
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

void WireMonitor::UpdateCounterLine() {
    m_countersChanged = false;
    const QString line = QString::fromStdString(FormatWireCounters(m_counters));
    m_counterLine->setText(line);
    m_counterLine->setToolTip(line);
}
