#include "config_blocks.h"

#include <cstring>

#include "core_texts.h"
#include "modbus_rtu.h"

const ConfigGroupInfo kConfigGroups[kConfigGroupCount] = {
    {"switch coding, offline and idle actions, interrupt mask", ConfigBlock::General, 16,
     reg::kSwitchCoding, reg::kSwitchCodingCount, 10, 8, false},
    {"application interface", ConfigBlock::General, 16, reg::kInterface, reg::kInterfaceCount, 20,
     10, false},
    {"watchdog time and fault values", ConfigBlock::General, 16, reg::kWatchdog,
     reg::kWatchdogCount, 32, 30, false},
    {"I/O lengths", ConfigBlock::Io, 16, reg::kIoLengths, reg::kIoLengthsCount, 0, 4, false},
    {"node address", ConfigBlock::Fieldbus, 6, reg::kNodeAddress, 1, 6, 2, false},
    {"bit rate", ConfigBlock::Fieldbus, 6, reg::kNodeBaudRate, 1, 10, 2, false},
    {"device information", ConfigBlock::Fieldbus, 16, reg::kDeviceInfo, reg::kDeviceInfoCount, 20,
     44, true},
};

const char* ConfigGroupText(ConfigGroup group) {
    static_assert(kTextGroupDeviceInfo - kTextGroupSwitchCoding == kGroupDeviceInfo,
                  "the group texts stand in group order");
    if (group < 0 || group >= kConfigGroupCount) return "";
    return CoreString(static_cast<CoreText>(kTextGroupSwitchCoding + group));
}

const uint8_t* ConfigBlockBytes(const ConfigBlocks& blocks, ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return blocks.general;
        case ConfigBlock::Io:
            return blocks.io;
        case ConfigBlock::Fieldbus:
            break;
    }
    return blocks.fieldbus;
}

uint8_t* ConfigBlockBytes(ConfigBlocks* blocks, ConfigBlock block) {
    return const_cast<uint8_t*>(ConfigBlockBytes(*static_cast<const ConfigBlocks*>(blocks), block));
}

size_t ConfigGroupData(ConfigGroup group, const ConfigBlocks& blocks, uint8_t* data,
                       size_t capacity) {
    if (group < 0 || group >= kConfigGroupCount) return 0;
    const ConfigGroupInfo& info = kConfigGroups[group];
    if (capacity < info.length) return 0;
    const uint8_t* held = ConfigBlockBytes(blocks, info.block) + info.offset;
    if (info.block == ConfigBlock::Fieldbus) {
        std::memcpy(data, held, info.length);
    } else {
        CopySwapBytePairs(info.length, info.length, held, data);
    }
    return info.length;
}
