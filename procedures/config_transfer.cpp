#include "config_transfer.h"

#include "fieldbus_block.h"

namespace {

constexpr ConfigBlock kReadOrder[] = {ConfigBlock::General, ConfigBlock::Io, ConfigBlock::Fieldbus};

size_t BlockSize(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return kGeneralBlockSize;
        case ConfigBlock::Io:
            return kIoBlockSize;
        case ConfigBlock::Fieldbus:
            break;
    }
    return kFieldbusBlockSize;
}

int ReadBlock(ModuleSession* session, ConfigBlock block, ConfigBlocks* blocks, size_t* length) {
    if (session == nullptr) return kModulePortClosed;
    switch (block) {
        case ConfigBlock::General:
            return session->ReadGeneralBlock(blocks->general, length);
        case ConfigBlock::Io:
            return session->ReadIoBlock(blocks->io, length);
        case ConfigBlock::Fieldbus:
            break;
    }
    return session->ReadFieldbusBlock(blocks->fieldbus, length);
}

// The three reads in order into result->blocks, up to the first failure.
// whole: an answer that does not fill its block counts as failed.
void ReadBlocks(ModuleSession* session, bool whole, ProcedureHook* hook, ConfigReadResult* result) {
    const size_t total = sizeof kReadOrder / sizeof kReadOrder[0];
    for (size_t done = 0; done < total; ++done) {
        const ConfigBlock block = kReadOrder[done];
        ProcedureStep step;
        step.done = done;
        step.total = total;
        step.block = block;
        if (hook != nullptr && !hook->BeforeStep(step)) {
            result->status = kProcedureCancelled;
            return;
        }
        size_t length = 0;
        int status = ReadBlock(session, block, &result->blocks, &length);
        if (status == kModuleOk && whole && length != BlockSize(block)) status = kModuleFailed;
        if (status != kModuleOk) {
            result->status = status;
            return;
        }
        result->blocksRead = static_cast<int>(done) + 1;
    }
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

ConfigReadResult ReadConfiguration(ModuleSession* session, const ConfigBlocks& held,
                                   ProcedureHook* hook) {
    ConfigReadResult result;
    result.blocks = held;
    ReadBlocks(session, false, hook, &result);
    return result;
}

int ReadConfigBlocks(ModuleSession* session, ConfigBlocks* blocks, ConfigBlock* failed,
                     ProcedureHook* hook) {
    ConfigReadResult result;
    result.blocks = *blocks;
    ReadBlocks(session, true, hook, &result);
    if (result.status != kModuleOk) {
        *failed = result.Failed();
        return result.status;
    }
    *blocks = result.blocks;
    return kModuleOk;
}

ConfigGroupSet GroupsOfBlock(ConfigBlock block) {
    ConfigGroupSet groups = 0;
    for (int g = 0; g < kConfigGroupCount; ++g)
        if (kConfigGroups[g].block == block) groups |= GroupBit(static_cast<ConfigGroup>(g));
    return groups;
}

int WriteConfigGroups(ModuleSession* session, const ConfigBlocks& blocks, ConfigGroupSet groups,
                      const uint16_t* password, ProcedureHook* hook, ConfigWriteReport* report) {
    *report = ConfigWriteReport();
    groups &= GroupBit(kConfigGroupCount) - 1;
    if (password == nullptr && (groups & GroupBit(kGroupDeviceInfo))) {
        report->skipped = GroupBit(kGroupDeviceInfo);
        groups &= ~GroupBit(kGroupDeviceInfo);
    }
    size_t total = 0;
    for (int g = 0; g < kConfigGroupCount; ++g) total += (groups >> g) & 1u;

    size_t done = 0;
    for (int g = 0; g < kConfigGroupCount; ++g) {
        const auto group = static_cast<ConfigGroup>(g);
        const ConfigGroupSet bit = GroupBit(group);
        if (!(groups & bit)) continue;
        if (report->status != kModuleOk) {
            report->notSent |= bit;
            continue;
        }
        ProcedureStep step;
        step.done = done;
        step.total = total;
        step.block = kConfigGroups[g].block;
        step.group = group;
        if (hook != nullptr && !hook->BeforeStep(step)) {
            report->status = kProcedureCancelled;
            report->notSent |= bit;
            continue;
        }
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
