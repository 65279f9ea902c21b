#pragma once

#include <QCoreApplication>

#include "frames.h"
#include "programfolder.h"

// Lets queued events (repaints, deferred deletes) run.
inline void Settle() {
    QCoreApplication::processEvents();
}
