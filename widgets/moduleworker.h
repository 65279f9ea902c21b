#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "procedure_hook.h"

class QProgressDialog;
class QWidget;

// The one thread of a program that talks to the module. The session and its
// procedures run there, one job at a time, so the module sees the frames in
// the order the window asks for them; the window's thread only takes its
// controls before a job and shows the result after it, and never waits on
// the line.
//
// Run() is for what the user starts ("读取配置", "修改配置", a load, the
// search): it returns when the job is done, with the window's event loop
// turning meanwhile, as a modal dialog's does. Start() is for the I/O page's
// ticks: it returns at once and hands the result to a function on this
// thread, and runs neither the wait cursor nor the locked controls. Run()
// after a tick's exchange waits for it and goes next; otherwise either
// refuses a job while another runs.
//
// Opening the port is a job like the others, since a network line may take
// its whole connect time-out. Closing it stays on the window's thread and
// happens only while the worker is idle: the controls that close it are
// guarded like the others, and the window closes it after Shutdown().
class ModuleWorker : public QObject {
    Q_OBJECT
public:
    // window: the parent of the progress display, and of this object.
    explicit ModuleWorker(QWidget* window);
    ~ModuleWorker() override;

    using Job = std::function<void(ProcedureHook* hook)>;
    // Names the step about to start, for the progress display; called on the
    // worker's thread.
    using StepCaption = std::function<QString(const ProcedureStep& step)>;

    // A long procedure shows, once it passes kSlowMs, a progress dialog with
    // this title, a line from `caption` and "取消". An empty title: only the
    // wait cursor (the caller shows progress itself, see stepStarted).
    struct Progress {
        QString title;
        StepCaption caption;
    };

    // Runs `job` on the worker's thread and returns once it is done and its
    // effects are visible here. False when nothing ran (busy) or the window
    // closed meanwhile (Shutdown): the caller then shows nothing.
    bool Run(const Job& job, const Progress& progress = Progress());
    // Run on `worker`, or right here when a page has none.
    static bool RunOrCall(ModuleWorker* worker, const Job& job) {
        if (worker != nullptr) return worker->Run(job);
        job(nullptr);
        return true;
    }
    // Starts `job` and returns; `done` runs here afterwards unless the window
    // closed. False when busy.
    bool Start(std::function<void()> job, std::function<void()> done);

    // A job runs, or a Run waits for its turn.
    // Returns once no exchange runs (a tick's is let finish, with the event
    // loop turning); until the caller returns to the event loop none starts,
    // so it may open or close the port. False when the window closed.
    bool Drain() {
        return !busy() || Run([](ProcedureHook*) {});
    }

    bool busy() const { return m_busy || m_reserved; }
    // Stops the running procedure before its next step (the hook says so).
    void RequestCancel() { m_cancel = true; }
    bool cancelRequested() const { return m_cancel; }

    // Disabled while a Run's job runs; put back as it was after.
    void Guard(QWidget* control);

    // Closing: cancels, waits at most waitMs for the exchange in progress and
    // drops every result not yet shown (a Run in progress returns false).
    // True when the worker is idle. A window shown again may start jobs.
    bool Shutdown(int waitMs);

    // The longest a job runs before the user sees that the program works.
    static constexpr int kSlowMs = 300;

signals:
    void busyChanged(bool busy);
    // A step of the running procedure starts (queued from the worker).
    void stepStarted(int done, int total, const QString& caption);
    // Emitted last when a job is over and its result shown: a page may start
    // what waited.
    void idle();

private:
    class StepHook;
    // always: `done` runs even after Shutdown (it ends a Run's wait).
    void Post(std::function<void()> job, std::function<void()> done, bool always);
    void Finish(unsigned generation, const std::function<void()>& done, bool always);
    void SetBusy(bool busy);
    void OnSlow();

    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread
    QWidget* m_window = nullptr;
    bool m_busy = false;
    bool m_procedure = false;  // the job is a Run's
    bool m_reserved = false;   // a Run waits for a tick's exchange to end
    bool m_closing = false;
    unsigned m_generation = 0;
    std::atomic<bool> m_cancel{false};
    std::mutex m_mutex;
    std::condition_variable m_doneCondition;
    bool m_running = false;  // under m_mutex: the job has not returned yet

    QTimer m_slowTimer;
    bool m_waitCursor = false;
    Progress m_progress;
    QProgressDialog* m_progressDialog = nullptr;
    std::vector<std::pair<QPointer<QWidget>, bool>> m_guarded;
};
