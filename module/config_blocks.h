#pragma once

#include <cstddef>
#include <cstdint>

#include "register_map.h"

// The module's configuration as the programs hold it after "读取配置", and
// the groups in which it is written back: one group per write frame of
// "修改配置", sent with that same frame. The device information group is the
// password write (0x7003) followed by the 0x700B x 22 frame.

struct ConfigBlocks {
    uint8_t general[kGeneralBlockSize] = {};    // 0x5001-0x501F, low byte first
    uint8_t io[kIoBlockSize] = {};              // 0x6001-0x600B, low byte first
    uint8_t fieldbus[kFieldbusBlockSize] = {};  // 0x7001-0x7042, wire order
};

enum ConfigGroup : int {
    kGroupSwitchCoding,  // fn 16, 0x5006 x 4: general held bytes 10-17
    kGroupInterface,     // fn 16, 0x500B x 5: general held bytes 20-29
    kGroupWatchdog,      // fn 16, 0x5011 x 15: general held bytes 32-61
    kGroupIoLengths,     // fn 16, 0x6001 x 2: I/O held bytes 0-3
    kGroupNodeAddress,   // fn 6, 0x7004: fieldbus bytes 6-7
    kGroupBitRate,       // fn 6, 0x7006: fieldbus bytes 10-11
    kGroupDeviceInfo,    // fn 6 0x7003 password, then fn 16 0x700B x 22: bytes 20-63
    kConfigGroupCount
};

using ConfigGroupSet = uint32_t;
constexpr ConfigGroupSet GroupBit(ConfigGroup group) {
    return 1u << group;
}

enum class ConfigBlock { General, Io, Fieldbus };

struct ConfigGroupInfo {
    const char* name;  // "application interface", "device information", ...
    ConfigBlock block;
    uint8_t function;   // 6 or 16
    uint16_t start;     // register
    uint16_t quantity;  // registers
    size_t offset;      // first held byte
    size_t length;      // held bytes (2 x quantity)
    bool password;      // the password write (fn 6, 0x7003) must go first
};
extern const ConfigGroupInfo kConfigGroups[kConfigGroupCount];

// The group's name for a person, in the chosen language. The English is
// the group's `name`, which documents and JSON carry in every language.
const char* ConfigGroupText(ConfigGroup group);

const uint8_t* ConfigBlockBytes(const ConfigBlocks& blocks, ConfigBlock block);
uint8_t* ConfigBlockBytes(ConfigBlocks* blocks, ConfigBlock block);

// The data of a group's write frame as it goes on the wire: the held bytes
// with every pair exchanged for the general and I/O blocks, unchanged for the
// fieldbus block. Returns the byte count, 0 when capacity is too small.
size_t ConfigGroupData(ConfigGroup group, const ConfigBlocks& blocks, uint8_t* data,
                       size_t capacity);
