#include "config_transfer.h"

#include "fieldbus_block.h"

namespace {

// A read that succeeded but did not fill its block counts as failed.
int Whole(int status, size_t length, size_t blockSize) {
    if (status != kModuleOk) return status;
    return length == blockSize ? kModuleOk : kModuleFailed;
}

// The one exchange of a group without a password.
int WriteGroup(ModuleSession* session, const ConfigBlocks& blocks, ConfigGroup group) {
    switch (group) {
        case kGroupSwitchCoding:
            return session->WriteSwitchCoding(blocks.general);
        case kGroupInterface:
            return session->WriteInterface(blocks.general);
        case kGroupWatchdog:
            return session->WriteWatchdog(blocks.general);
        case kGroupIoLengths:
            return session->WriteIoLengths(blocks.io);
        case kGroupNodeAddress:
            return session->WriteNodeAddress(WireWord(blocks.fieldbus, 6));
        case kGroupBitRate:
            return session->WriteNodeBitRate(WireWord(blocks.fieldbus, 10));
        case kGroupDeviceInfo:
            return session->WriteDeviceInfo(blocks.fieldbus);
        case kConfigGroupCount:
            break;
    }
    return kModuleFailed;
}

}  // namespace

int ReadConfigBlocks(ModuleSession* session, ConfigBlocks* blocks, ConfigBlock* failed) {
    ConfigBlocks read = *blocks;
    size_t length = 0;
    int status = session->ReadGeneralBlock(read.general, &length);
    if ((status = Whole(status, length, kGeneralBlockSize)) != kModuleOk) {
        *failed = ConfigBlock::General;
        return status;
    }
    status = session->ReadIoBlock(read.io, &length);
    if ((status = Whole(status, length, kIoBlockSize)) != kModuleOk) {
        *failed = ConfigBlock::Io;
        return status;
    }
    status = session->ReadFieldbusBlock(read.fieldbus, &length);
    if ((status = Whole(status, length, kFieldbusBlockSize)) != kModuleOk) {
        *failed = ConfigBlock::Fieldbus;
        return status;
    }
    *blocks = read;
    return kModuleOk;
}

int WriteConfigGroups(ModuleSession* session, const ConfigBlocks& blocks, ConfigGroupSet groups,
                      const uint16_t* password, const ConfigWriteProgress& progress,
                      ConfigWriteReport* report) {
    *report = ConfigWriteReport();
    groups &= GroupBit(kConfigGroupCount) - 1;
    if (password == nullptr && (groups & GroupBit(kGroupDeviceInfo))) {
        report->skipped = GroupBit(kGroupDeviceInfo);
        groups &= ~GroupBit(kGroupDeviceInfo);
    }
    int total = 0;
    for (int g = 0; g < kConfigGroupCount; ++g) total += (groups >> g) & 1u;

    int done = 0;
    for (int g = 0; g < kConfigGroupCount; ++g) {
        const auto group = static_cast<ConfigGroup>(g);
        const ConfigGroupSet bit = GroupBit(group);
        if (!(groups & bit)) continue;
        if (report->status != kModuleOk) {
            report->notSent |= bit;
            continue;
        }
        if (progress) progress(group, done, total);
        int status = kModuleOk;
        if (kConfigGroups[g].password) {
            // The module opens the protected registers only after the
            // password; a refused password must not be followed by the data.
            status = session->WritePassword(*password);
            report->passwordRefused = status != kModuleOk;
        }
        if (status == kModuleOk) status = WriteGroup(session, blocks, group);
        if (status != kModuleOk) {
            report->failed = bit;
            report->status = status;
            continue;
        }
        report->written |= bit;
        ++done;
    }
    return report->status;
}
