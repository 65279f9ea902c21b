#include "config_transfer.h"

#include "fieldbus_block.h"
#include "modulesession.h"

namespace {

constexpr size_t kNodeAddressByte = 6;  // 0x7004
constexpr size_t kBitRateByte = 10;     // 0x7006

}  // namespace

int ReadConfigBlocks(ModuleSession& session, ConfigBlocks* blocks, ConfigBlock* failed) {
    int status = session.ReadGeneralBlock(blocks->general);
    if (status != kModuleOk) {
        if (failed != nullptr) *failed = ConfigBlock::General;
        return status;
    }
    status = session.ReadIoBlock(blocks->io);
    if (status != kModuleOk) {
        if (failed != nullptr) *failed = ConfigBlock::Io;
        return status;
    }
    status = session.ReadFieldbusBlock(blocks->fieldbus);
    if (status != kModuleOk && failed != nullptr) *failed = ConfigBlock::Fieldbus;
    return status;
}

int WriteConfigGroup(ModuleSession& session, ConfigGroup group, const ConfigBlocks& blocks,
                     uint16_t password, bool* passwordRefused) {
    if (passwordRefused != nullptr) *passwordRefused = false;
    switch (group) {
        case kGroupSwitchCoding:
            return session.WriteSwitchCoding(blocks.general);
        case kGroupInterface:
            return session.WriteInterface(blocks.general);
        case kGroupWatchdog:
            return session.WriteWatchdog(blocks.general);
        case kGroupIoLengths:
            return session.WriteIoLengths(blocks.io);
        case kGroupNodeAddress:
            return session.WriteNodeAddress(WireWord(blocks.fieldbus, kNodeAddressByte));
        case kGroupBitRate:
            return session.WriteNodeBitRate(WireWord(blocks.fieldbus, kBitRateByte));
        case kGroupDeviceInfo: {
            const int status = session.WritePassword(password);
            if (status != kModuleOk) {
                if (passwordRefused != nullptr) *passwordRefused = true;
                return status;
            }
            return session.WriteDeviceInfo(blocks.fieldbus);
        }
        case kConfigGroupCount:
            break;
    }
    return kModuleRequestTooLarge;
}
