#pragma once

#include <cstddef>
#include <cstdint>

#include "register_map.h"

// GeneralParamBlock (registers 0x5001-0x501F) as held: every register low
// byte first (byte 2k low, 2k + 1 high of register 0x5001 + k).

// Word n of a held block: byte n + 256 * byte n + 1.
inline uint16_t HeldWord(const uint8_t* block, size_t n) {
    return static_cast<uint16_t>(block[n] | (block[n + 1] << 8));
}
inline void SetHeldWord(uint8_t* block, size_t n, uint16_t value) {
    block[n] = static_cast<uint8_t>(value & 0xFF);
    block[n + 1] = static_cast<uint8_t>(value >> 8);
}

constexpr int kFaultValueCount = 28;

// The general-page fields the block carries. List positions are -1 when the
// block value lies outside the list (the list then shows no selection).
struct GeneralFields {
    int moduleType = 0;       // 0 "Tavel模块" (word 4 = 0x0201), 1 "其他"
    int fieldbusType = 0;     // word 6 - 1 (0..3)
    int switchCoding = 0;     // word 10 (0 BCD, 1 binary)
    int offline = 0;          // byte 12 (0 clear, 1 freeze, 2 default value)
    int idle = 0;             // byte 14
    uint16_t interruptMask = 0;  // word 16
    bool spi = false;         // word 20 == 0
    int cpha = 0;             // byte 22: the list labelled "CPHA:"
    int cpol = 0;             // byte 23: the list labelled "CPOL:"
    uint16_t frameInterval = 0;  // word 24, 50 us units
    int uartBaud = 0;         // byte 26: position in the rate list (baud_rates.h)
    int uartStopBits = 0;     // bits 2-3 of byte 27, minus 1 (0 "1位", 1 "2位")
    int uartParity = 0;       // byte 27 & 3 (0 none, 1 odd, 2 even)
    uint16_t modbusAddress = 0;  // word 28
    bool crcEnabled = false;  // word 30 == 0
    uint16_t watchdog = 0;    // word 32
    uint8_t faultValues[kFaultValueCount] = {};  // bytes 34-61
};

// Positions outside a list's item count come back as -1.
void DecodeGeneralBlock(const uint8_t* block, GeneralFields* fields);

// Writes the fields the page builds: bytes 10-17, 20-29 and 32-61. Bytes
// 0-9, 18-19 and 30-31 keep what the block held. A list position of -1 (no
// selection) becomes 0xFF in its byte; for the stop-bits list it gives 0 in
// bits 2-3, for the parity list 0xFF for the whole byte 27.
void EncodeGeneralBlock(const GeneralFields& fields, uint8_t* block);

// UART character format byte: 0x80 | (stop position * 4 + 4) | parity.
uint8_t EncodeUartFormat(int stopBitsPosition, int parityPosition);

// Status lamps: bit 3..0 of held byte 9 -> lamp 0 (top left) .. 3.
bool StatusLampLit(const uint8_t* block, int lamp);

// Device-mode list position shown after a read: the register 0x5001 value
// when the list has an item for it (0, 1 or 2), otherwise -1 (no selection).
int DeviceModeIndexFromBlock(const uint8_t* block);
