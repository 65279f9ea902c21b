#include "moduleworker.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>
#include <chrono>
#include <memory>

// Checks the stop request before each step and tells the window which step
// starts; runs on the worker's thread.
class ModuleWorker::StepHook : public ProcedureHook {
public:
    explicit StepHook(ModuleWorker* worker) : m_worker(worker) {}
    bool BeforeStep(const ProcedureStep& step) override {
        if (m_worker->m_cancel) return false;
        const QString caption =
            m_worker->m_progress.caption ? m_worker->m_progress.caption(step) : QString();
        emit m_worker->stepStarted(static_cast<int>(step.done), static_cast<int>(step.total),
                                   caption);
        return true;
    }

private:
    ModuleWorker* m_worker;
};

ModuleWorker::ModuleWorker(QWidget* window) : QObject(window), m_window(window) {
    m_thread.setObjectName(QStringLiteral("module"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();

    m_slowTimer.setSingleShot(true);
    m_slowTimer.setInterval(kSlowMs);
    connect(&m_slowTimer, &QTimer::timeout, this, &ModuleWorker::OnSlow);
    connect(this, &ModuleWorker::stepStarted, this,
            [this](int done, int total, const QString& caption) {
                if (m_progressDialog == nullptr) return;
                m_progressDialog->setRange(0, total);
                m_progressDialog->setValue(done);
                m_progressDialog->setLabelText(m_progress.title + '\n' + caption);
            });
}

ModuleWorker::~ModuleWorker() {
    m_cancel = true;
    m_closing = true;
    m_thread.quit();
    // The exchange in progress ends by its own time-out; the session it uses
    // outlives this object.
    m_thread.wait();
    if (m_waitCursor) QApplication::restoreOverrideCursor();
}

bool ModuleWorker::Run(const Job& job, const Progress& progress) {
    if (m_procedure || m_reserved || m_closing) return false;
    QEventLoop loop;
    const unsigned generation = m_generation;
    if (m_busy) {
        // A tick's exchange is on the line: the procedure goes next, and
        // ticks meanwhile wait for it.
        m_reserved = true;
        const QMetaObject::Connection free =
            connect(this, &ModuleWorker::idle, &loop, &QEventLoop::quit);
        loop.exec();
        disconnect(free);
        m_reserved = false;
        if (m_closing || m_busy || generation != m_generation) return false;
    }
    m_progress = progress;
    m_procedure = true;
    // The result may come after this returned (the program quit meanwhile).
    struct Wait {
        QEventLoop* loop = nullptr;
        bool delivered = false;
    };
    auto wait = std::make_shared<Wait>();
    wait->loop = &loop;
    Post(
        [this, job] {
            StepHook hook(this);
            job(&hook);
        },
        [this, wait, generation] {
            wait->delivered = generation == m_generation && !m_closing;
            if (wait->loop != nullptr) wait->loop->quit();
        },
        true);
    loop.exec();
    wait->loop = nullptr;
    // The loop also ends when the program quits; the job may still hold the
    // caller's variables, so it must have returned.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_doneCondition.wait(lock, [this] { return !m_running; });
    return wait->delivered && generation == m_generation && !m_closing;
}

bool ModuleWorker::Start(std::function<void()> job, std::function<void()> done) {
    if (m_busy || m_reserved || m_closing) return false;
    m_progress = Progress();
    Post(std::move(job), std::move(done), false);
    return true;
}

void ModuleWorker::Post(std::function<void()> job, std::function<void()> done, bool always) {
    m_cancel = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = true;
    }
    const unsigned generation = m_generation;
    SetBusy(true);
    QMetaObject::invokeMethod(
        m_context,
        [this, job = std::move(job), done = std::move(done), generation, always] {
            job();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_running = false;
            }
            m_doneCondition.notify_all();
            QMetaObject::invokeMethod(
                this, [this, done, generation, always] { Finish(generation, done, always); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ModuleWorker::Finish(unsigned generation, const std::function<void()>& done, bool always) {
    SetBusy(false);
    m_procedure = false;
    if (always || (generation == m_generation && !m_closing)) done();
    emit idle();
}

void ModuleWorker::SetBusy(bool busy) {
    m_busy = busy;
    // A tick's single exchange neither locks the controls nor shows that the
    // program works: it is over long before a user could tell.
    if (!m_procedure) {
        emit busyChanged(busy);
        return;
    }
    if (busy) {
        for (auto& [control, enabled] : m_guarded) {
            if (control.isNull()) continue;
            enabled = control->isEnabled();
            control->setEnabled(false);
        }
        m_slowTimer.start();
    } else {
        for (const auto& [control, enabled] : m_guarded)
            if (!control.isNull()) control->setEnabled(enabled);
        m_slowTimer.stop();
        if (m_waitCursor) QApplication::restoreOverrideCursor();
        m_waitCursor = false;
        if (m_progressDialog != nullptr) {
            m_progressDialog->hide();
            m_progressDialog->reset();
        }
    }
    emit busyChanged(busy);
}

void ModuleWorker::OnSlow() {
    if (!m_busy) return;
    if (!m_waitCursor) QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
    if (m_progress.title.isEmpty()) return;
    if (m_progressDialog == nullptr) {
        m_progressDialog = new QProgressDialog(m_window);
        m_progressDialog->setObjectName(QStringLiteral("moduleProgress"));
        m_progressDialog->setCancelButtonText(tr("取消"));
        m_progressDialog->setAutoClose(false);
        m_progressDialog->setAutoReset(false);
        m_progressDialog->setMinimumDuration(0);
        // Shown and hidden here only: its own timer would show it later.
        m_progressDialog->reset();
        m_progressDialog->setWindowTitle(QCoreApplication::applicationName());
        connect(m_progressDialog, &QProgressDialog::canceled, this, [this] {
            RequestCancel();
            m_progressDialog->setLabelText(m_progress.title + '\n' +
                                           tr("正在取消..."));
        });
    }
    m_progressDialog->setLabelText(m_progress.title);
    m_progressDialog->setRange(0, 0);
    m_progressDialog->show();
}

void ModuleWorker::Guard(QWidget* control) {
    m_guarded.emplace_back(control, control->isEnabled());
}

bool ModuleWorker::Shutdown(int waitMs) {
    m_cancel = true;
    ++m_generation;
    bool idle = false;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        idle = m_doneCondition.wait_for(lock, std::chrono::milliseconds(waitMs),
                                        [this] { return !m_running; });
    }
    if (m_progressDialog != nullptr) {
        m_progressDialog->hide();
        m_progressDialog->reset();
    }
    return idle;
}
