#pragma once

#include <QString>

#include "open_failure.h"

// "打开串口失败!" and, on a second line, why and what to do.
QString OpenPortFailedMessage(const SerialOpenFailure& failure);
