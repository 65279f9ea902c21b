#pragma once

#include <cstddef>
#include <cstdint>

#include "core_texts.h"

// Every module register the programs touch (addresses as sent in the frame).
namespace reg {

constexpr uint16_t kInputData = 0x0001;   // fn 16, input process data
constexpr uint16_t kOutputData = 0x1001;  // fn 3, output process data

constexpr uint16_t kGeneralBlock = 0x5001;  // fn 3, 31 registers
constexpr uint16_t kGeneralBlockCount = 31;
constexpr uint16_t kDeviceMode = 0x5001;      // fn 6
constexpr uint16_t kModuleType = 0x5003;      // fn 3, 2 registers (held bytes 4-7)
constexpr uint16_t kModuleTypeCount = 2;
constexpr uint16_t kSwitchCoding = 0x5006;    // fn 16, 4 registers (held bytes 10-17)
constexpr uint16_t kSwitchCodingCount = 4;
constexpr uint16_t kInterruptMask = 0x5009;   // fn 6
constexpr uint16_t kInterruptEvents = 0x500A; // fn 3, 1 register
constexpr uint16_t kInterface = 0x500B;       // fn 16, 5 registers (held bytes 20-29)
constexpr uint16_t kInterfaceCount = 5;
constexpr uint16_t kUartSettings = 0x500E;    // fn 6
constexpr uint16_t kWatchdog = 0x5011;        // fn 16, 15 registers (held bytes 32-61)
constexpr uint16_t kWatchdogCount = 15;

constexpr uint16_t kIoBlock = 0x6001;  // fn 3, 11 registers
constexpr uint16_t kIoBlockCount = 11;
constexpr uint16_t kIoLengths = 0x6001;  // fn 16, 2 registers
constexpr uint16_t kIoLengthsCount = 2;
constexpr uint16_t kChangeField = 0x6003;  // fn 3, 9 registers
constexpr uint16_t kChangeFieldCount = 9;

constexpr uint16_t kFieldbusBlock = 0x7001;  // fn 3, 66 registers
constexpr uint16_t kFieldbusBlockCount = 66;
constexpr uint16_t kPassword = 0x7003;        // fn 6
constexpr uint16_t kNodeAddress = 0x7004;     // fn 6
constexpr uint16_t kNodeBaudRate = 0x7006;    // fn 6
constexpr uint16_t kDeviceInfo = 0x700B;      // fn 16, 22 registers
constexpr uint16_t kDeviceInfoCount = 22;
constexpr uint16_t kEmergency = 0x7021;       // fn 16, 2 registers
constexpr uint16_t kEmergencyCount = 2;
constexpr uint16_t kErrorMessage = 0x7023;    // fn 3, 12 registers
constexpr uint16_t kErrorMessageCount = 12;
constexpr uint16_t kNetworkTime = 0x7043;     // fn 3, 3 registers
constexpr uint16_t kNetworkTimeCount = 3;

}  // namespace reg

// Value of register 0x5003 that names this module ("Tavel模块").
constexpr uint16_t kModuleTypeTavel = 0x0201;

constexpr size_t kGeneralBlockSize = 62;
constexpr size_t kIoBlockSize = 22;
constexpr size_t kFieldbusBlockSize = 132;
constexpr size_t kIoAreaSize = 144;

// Values written to the device-mode register by the device-mode list.
enum DeviceModeValue : uint16_t {
    kDeviceModeStart = 0,
    kDeviceModeReset = 3,
    kDeviceModeFactoryDefaults = 4,
};
// The device-mode list of both programs, in list order.
constexpr int kDeviceModeCount = 3;
extern const CoreText kDeviceModeItems[kDeviceModeCount];
// List position 0, 1, 2 -> 0, 3, 4; no selection (-1) stays -1.
int DeviceModeValueForIndex(int index);

// The ten bits of the interrupt mask (0x5009) and event word (0x500A).
struct InterruptBit {
    int bit;                  // 9 .. 0
    const char* caption;      // UTF-8
    CoreText description;
};
constexpr int kInterruptBitCount = 10;
// Entries in indicator order: bit 9 first, bit 0 last.
extern const InterruptBit kInterruptBits[kInterruptBitCount];
constexpr uint16_t kInterruptBitIo = 0x0008;  // bit 3, "I/O"

// Registers a data area of L bytes occupies: (L - 1) / 2 + 1 (1 for L = 0).
inline uint32_t RegistersForBytes(int length) { return length <= 0 ? 1 : (length - 1) / 2 + 1; }
