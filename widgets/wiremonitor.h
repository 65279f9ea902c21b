#pragma once

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "exchangering.h"
#include "modulesession.h"
#include "wire_log.h"

class CControlIni;
class QLabel;
class QVBoxLayout;
class QPushButton;
class QTableView;
class WireMonitorModel;

// The wire monitor: every frame the program sends and receives, with time and
// verdict, for the last 10,000 exchanges, and a line of counters. It watches
// a module session; exchanges reach the table in batches, at most five times
// a second, so that polling every 10 ms does not repaint once per frame and
// the table's repainting stays a small part of the program's load (bench_io
// measures it).
class WireMonitor : public QWidget, public ExchangeObserver {
    Q_OBJECT
public:
    static constexpr int kFlushIntervalMs = 200;

    explicit WireMonitor(QWidget* parent = nullptr,
                         size_t capacity = ExchangeRing::kDefaultCapacity);
    ~WireMonitor() override;

    // Watches `session` (null: none) until destroyed or attached elsewhere.
    void Attach(ModuleSession* session);

    // "分离窗口": the table, counters and buttons move into a resizable window
    // of their own ("通信监视"); "放回", or closing that window, puts them
    // back. The window's size and place are kept in config.ini, section
    // [monitor] (x, y, width, height); without them it opens at 1000 x 600.
    void SetSettings(CControlIni* settings) { m_settings = settings; }
    void SetDetached(bool detached);
    bool IsDetached() const;
    // The window of the detached panel (null until first detached).
    QWidget* detachedWindow() const;
    QPushButton* detachButton() const { return m_detachButton; }
    static constexpr const char* kMonitorSection = "monitor";
    void OnExchange(const ExchangeRecord& record) override;

    // 暂停/继续: while paused no row is added; the counters still count.
    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused; }
    // 清除: no rows, counters at zero.
    void Clear();
    // 复制: the selected rows, or every row when none is selected, one text
    // line each, to the clipboard. Returns the text.
    QString CopyRows();
    // 保存...: asks for a file name, then SaveTo.
    void OnSave();
    // Every row as text lines into `path`; tells the user when it fails.
    bool SaveTo(const QString& path);
    // Moves the exchanges seen since the last flush into the table now.
    void Flush();

    QString RowsText(const QList<int>& rows) const;
    QString AllText() const;

    // A copy: the worker's exchanges count on while the window reads.
    WireCounters counters() const {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        return m_counters;
    }
    WireMonitorModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }
    QLabel* counterLine() const { return m_counterLine; }
    // Round trips and error rate, beside the counters.
    QLabel* timingLine() const { return m_timingLine; }
    QPushButton* pauseButton() const { return m_pauseButton; }
    QPushButton* clearButton() const { return m_clearButton; }
    QPushButton* copyButton() const { return m_copyButton; }
    QPushButton* saveButton() const { return m_saveButton; }

private:
    class Window;
    void UpdateCounterLine();
    void RestoreWindowGeometry();
    void SaveWindowGeometry();

    static constexpr int kWindowWidth = 1000;
    static constexpr int kWindowHeight = 600;
    static constexpr int kMinimumSide = 200;
    static constexpr int kLargestSide = 10000;

    ModuleSession* m_session = nullptr;
    WireMonitorModel* m_model = nullptr;
    // The exchanges run on the module's thread: what they leave here is
    // guarded, and only the flush, on the window's thread, touches the table.
    mutable std::mutex m_pendingMutex;
    // Exchanges seen since the last flush; bounded like the table itself.
    ExchangeRing m_pending;
    WireCounters m_counters;
    bool m_countersChanged = false;
    std::atomic<bool> m_paused{false};
    QTimer m_flushTimer;

    QTableView* m_view = nullptr;
    QLabel* m_counterLine = nullptr;
    QLabel* m_timingLine = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_detachButton = nullptr;
    QWidget* m_panel = nullptr;
    QWidget* m_placeholder = nullptr;
    QVBoxLayout* m_layout = nullptr;
    Window* m_window = nullptr;
    CControlIni* m_settings = nullptr;
};
