#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include "moduleworker.h"

// Turns the event loop, as the window does, until no module worker of the
// object's window (or below the object) runs a job or holds a result not yet
// shown. A tick the I/O page remembered starts as the previous job ends, so
// the wait also covers it. False when the bound passed first.
inline bool WaitForModuleIdle(QObject* object, int boundMs = 30000) {
    auto busy = [object] {
        QObject* top = object;
        if (auto* widget = qobject_cast<QWidget*>(object)) top = widget->window();
        QList<ModuleWorker*> workers = top->findChildren<ModuleWorker*>();
        if (top != object) workers += object->findChildren<ModuleWorker*>();
        if (auto* self = qobject_cast<ModuleWorker*>(object)) workers << self;
        for (ModuleWorker* worker : workers)
            if (worker->busy()) return true;
        return false;
    };
    const QDeadlineTimer deadline(boundMs);
    QCoreApplication::processEvents();
    while (busy()) {
        if (deadline.hasExpired()) return false;
        // The worker's result wakes the loop; the timer bounds each turn.
        QTimer::singleShot(20, [] {});
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    return true;
}
