#pragma once

#include <cstdint>

#include "config_document.h"

class ModuleSession;

// A module's whole configuration moved through the session the way
// "读取配置" and "修改配置" move it: the three block reads in order, and one
// group's write frames.

// Reads the general, I/O and fieldbus blocks, in that order, into *blocks.
// The first read that fails stops: its session status is returned and
// *failed (may be null) names its block.
int ReadConfigBlocks(ModuleSession& session, ConfigBlocks* blocks, ConfigBlock* failed);

// Writes one group from the blocks with its own frame. The device
// information goes after the password write (0x7003) with `password`; when
// that write is refused, *passwordRefused (may be null) is set and the
// device information is not sent.
int WriteConfigGroup(ModuleSession& session, ConfigGroup group, const ConfigBlocks& blocks,
                     uint16_t password, bool* passwordRefused);
