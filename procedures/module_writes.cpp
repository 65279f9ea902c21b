#include "module_writes.h"

#include "fieldbus_block.h"
#include "general_block.h"
#include "io_block.h"

namespace {

// Where the simple edition's values sit in the held blocks.
constexpr size_t kInterruptMaskByte = 16;  // general, 0x5009
constexpr size_t kUartSettingsByte = 26;   // general, 0x500E low byte
constexpr size_t kNodeAddressByte = 6;     // fieldbus, 0x7004
constexpr size_t kCanBitRateByte = 10;     // fieldbus, 0x7006

void PutGeneralEntries(int uartBaudPosition, uint16_t interruptMask, ConfigBlocks* blocks) {
    blocks->general[kUartSettingsByte] = static_cast<uint8_t>(uartBaudPosition);
    SetHeldWord(blocks->general, kInterruptMaskByte, interruptMask);
}

int Write(ModuleSession* session, const ConfigBlocks& blocks, SimpleStep write) {
    if (session == nullptr) return kModulePortClosed;
    switch (write) {
        case kStepInterruptMask:
            return session->WriteInterruptMask(HeldWord(blocks.general, kInterruptMaskByte));
        case kStepUartSettings:
            return session->WriteUartSettings(HeldWord(blocks.general, kUartSettingsByte));
        case kStepIoLengths:
            return session->WriteIoLengths(blocks.io);
        case kStepNodeAddress:
            return session->WriteNodeAddress(WireWord(blocks.fieldbus, kNodeAddressByte));
        case kStepCanBitRate:
            break;
    }
    return session->WriteNodeBitRate(WireWord(blocks.fieldbus, kCanBitRateByte));
}

// Writes first..last in order up to the first failure.
void WriteInOrder(ModuleSession* session, SimpleStep last, WriteSequence* sequence) {
    for (int w = kStepInterruptMask; w <= last; ++w) {
        const int status = Write(session, sequence->blocks, static_cast<SimpleStep>(w));
        if (status != kModuleOk) {
            sequence->status = status;
            return;
        }
        sequence->done = w + 1;
    }
}

}  // namespace

WriteSequence ModifySimpleConfiguration(ModuleSession* session, const ConfigBlocks& held,
                                        const SimpleEntries& entries) {
    WriteSequence sequence;
    sequence.blocks = held;
    PutGeneralEntries(entries.uartBaudPosition, entries.interruptMask, &sequence.blocks);
    SetIoLengthsInBlock(sequence.blocks.io, entries.inputLength, entries.outputLength);
    SetWireWord(sequence.blocks.fieldbus, kNodeAddressByte, entries.nodeAddress);
    SetWireWord(sequence.blocks.fieldbus, kCanBitRateByte,
                static_cast<uint16_t>(entries.canBitRatePosition));
    WriteInOrder(session, kStepCanBitRate, &sequence);
    return sequence;
}

WriteSequence ChangeModuleBaudRate(ModuleSession* session, const ConfigBlocks& held,
                                   int uartBaudPosition, uint16_t interruptMask) {
    WriteSequence sequence;
    sequence.blocks = held;
    PutGeneralEntries(uartBaudPosition, interruptMask, &sequence.blocks);
    WriteInOrder(session, kStepUartSettings, &sequence);
    return sequence;
}

int SendDeviceMode(ModuleSession* session, int listPosition) {
    if (session == nullptr) return kModulePortClosed;
    const int value = DeviceModeValueForIndex(listPosition);
    return session->WriteDeviceMode(static_cast<uint16_t>(value & 0xFF));
}
