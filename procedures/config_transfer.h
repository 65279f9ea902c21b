#pragma once

#include "config_blocks.h"
#include "modulesession.h"
#include "procedure_hook.h"

// Moves the configuration blocks between the module and the programs: the
// whole configuration read in the order of "读取配置", and the groups written
// with the frames "修改配置" sends for them. Every procedure takes an
// optional hook (null: none) for progress and cancellation.

// How reading the three blocks ended.
struct ConfigReadResult {
    int status = kModuleOk;  // of the read that failed, or kProcedureCancelled
    int blocksRead = 0;      // general, I/O and fieldbus in this order: the first blocksRead
    ConfigBlocks blocks;     // what was held, with what was read in place
    bool Read(ConfigBlock block) const { return static_cast<int>(block) < blocksRead; }
    // The block whose read failed or was not started.
    ConfigBlock Failed() const { return static_cast<ConfigBlock>(blocksRead); }
};

// "读取配置": reads the general, I/O and fieldbus blocks in this order and
// stops at the first failure. An answer replaces only the registers it
// carries, so a short answer is taken as far as it goes: the pages show what
// the module gave and keep the rest.
ConfigReadResult ReadConfiguration(ModuleSession* session, const ConfigBlocks& held,
                                   ProcedureHook* hook = nullptr);

// The same reads for a file or a comparison, where every block must come
// back whole: a file built on a short answer would claim values the module
// never gave. Stops at the first failure and then leaves *blocks as they
// were. Returns kModuleOk, or the failing read's status (kModuleFailed for a
// short answer) with *failed naming its block.
int ReadConfigBlocks(ModuleSession* session, ConfigBlocks* blocks, ConfigBlock* failed,
                     ProcedureHook* hook = nullptr);

// How a WriteConfigGroups ended. Every group asked for lies in exactly one
// of the four sets.
struct ConfigWriteReport {
    ConfigGroupSet written = 0;  // confirmed by the module
    // The group whose write (or password write) was not confirmed. The module
    // may still have taken it: only the answer may have been lost.
    ConfigGroupSet failed = 0;
    ConfigGroupSet notSent = 0;    // not tried after the failure or the stop
    ConfigGroupSet skipped = 0;    // the device information, without a password
    bool passwordRefused = false;  // the failure was the password write (0x7003)
    int status = kModuleOk;        // the failed exchange's status, or kProcedureCancelled
    // The group in `failed` (kConfigGroupCount when none failed).
    ConfigGroup FailedGroup() const {
        for (int g = 0; g < kConfigGroupCount; ++g)
            if (failed & GroupBit(static_cast<ConfigGroup>(g))) return static_cast<ConfigGroup>(g);
        return kConfigGroupCount;
    }
};

// The groups a block is written in: "修改配置" on a page writes those of the
// page's block.
ConfigGroupSet GroupsOfBlock(ConfigBlock block);

// Writes `groups` from `blocks` (held form, e.g. ConfigDiff::blocks) in group
// order, each with the session's write of that group, so the frames are those
// "修改配置" sends: 0x5006 x 4, 0x500B x 5, 0x5011 x 15, 0x6001 x 2, 0x7004,
// 0x7006, and 0x7003 (the password) followed by 0x700B x 22. The device
// information goes only with a password (null: it is skipped). Stops at the
// first write that is not confirmed. Returns kModuleOk when every group sent
// was confirmed, otherwise the failed status. The hook hears of each group
// before it goes out.
int WriteConfigGroups(ModuleSession* session, const ConfigBlocks& blocks, ConfigGroupSet groups,
                      const uint16_t* password, ProcedureHook* hook, ConfigWriteReport* report);
