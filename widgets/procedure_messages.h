#pragma once

#include <QString>

#include "config_blocks.h"
#include "module_writes.h"

// The messages of a failed module procedure, the same in both programs.

// "获取通用参数失败!", "获取 I/O 参数失败!", "获取现场总线参数失败!".
QString ReadFailedText(ConfigBlock block);

// The failure of a group written by "修改配置"; a refused password is told as
// such, whatever group it opened.
QString GroupFailedText(ConfigGroup group, bool passwordRefused);

// The failure of a write of the simple edition's "修改配置" or "改变波特率".
QString SimpleStepFailedText(SimpleStep write);

// The block a read is for, in the pages' words.
QString BlockCaption(ConfigBlock block);

// "读取配置" stopped by "取消" after the first `blocksRead` blocks.
QString ReadCancelledText(int blocksRead);

// The title of the progress display of "读取配置" and its step line.
QString ReadProgressTitle();
QString ReadStepCaption(ConfigBlock block, size_t done, size_t total);
