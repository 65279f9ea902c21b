#pragma once

#include <functional>

#include "config_blocks.h"
#include "modulesession.h"

// Moves a configuration document's blocks between the module and the
// programs: the whole configuration read in the order of "读取配置", and the
// groups of a load written with the frames "修改配置" sends for them.

// Reads the general, I/O and fieldbus blocks, in this order, into *blocks.
// Every block must come back whole: a file or a comparison built on a short
// answer would claim values the module never gave. Stops at the first
// failure and then leaves *blocks as they were. Returns kModuleOk, or the
// failing read's status (kModuleFailed for a short answer) with *failed
// naming its block.
int ReadConfigBlocks(ModuleSession* session, ConfigBlocks* blocks, ConfigBlock* failed);

// How a WriteConfigGroups ended. Every group asked for lies in exactly one
// of the four sets.
struct ConfigWriteReport {
    ConfigGroupSet written = 0;  // confirmed by the module
    // The group whose write (or password write) was not confirmed. The module
    // may still have taken it: only the answer may have been lost.
    ConfigGroupSet failed = 0;
    ConfigGroupSet notSent = 0;    // not tried after the failure
    ConfigGroupSet skipped = 0;    // the device information, without a password
    bool passwordRefused = false;  // the failure was the password write (0x7003)
    int status = kModuleOk;        // the failed exchange's status
};

// Called before each group goes out: the group, how many of the groups to
// send went before it, and how many there are to send.
using ConfigWriteProgress = std::function<void(ConfigGroup group, int done, int total)>;

// Writes `groups` from `blocks` (held form, e.g. ConfigDiff::blocks) in group
// order, each with the session's write of that group, so the frames are those
// "修改配置" sends: 0x5006 x 4, 0x500B x 5, 0x5011 x 15, 0x6001 x 2, 0x7004,
// 0x7006, and 0x7003 (the password) followed by 0x700B x 22. The device
// information goes only with a password (null: it is skipped). Stops at the
// first write that is not confirmed. Returns kModuleOk when every group sent
// was confirmed, otherwise the failed status. progress may be empty.
int WriteConfigGroups(ModuleSession* session, const ConfigBlocks& blocks, ConfigGroupSet groups,
                      const uint16_t* password, const ConfigWriteProgress& progress,
                      ConfigWriteReport* report);
