#include "general_block.h"

#include <cstring>

#include "baud_rates.h"

namespace {

constexpr int kFieldbusTypeCount = 4;
constexpr int kSwitchCodingCount = 2;
constexpr int kFaultActionCount = 3;
constexpr int kSpiSettingCount = 2;
constexpr int kUartStopBitsCount = 2;
constexpr int kUartParityCount = 3;

int Position(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

// One list position as one block byte: no selection (-1) becomes 0xFF.
uint8_t PositionByte(int position) {
    return static_cast<uint8_t>(position & 0xFF);
}

}  // namespace

void DecodeGeneralBlock(const uint8_t* block, GeneralFields* fields) {
    fields->moduleType = HeldWord(block, 4) == kModuleTypeTavel ? 0 : 1;
    fields->fieldbusType = Position(HeldWord(block, 6) - 1, kFieldbusTypeCount);
    fields->switchCoding = Position(HeldWord(block, 10), kSwitchCodingCount);
    fields->offline = Position(block[12], kFaultActionCount);
    fields->idle = Position(block[14], kFaultActionCount);
    fields->interruptMask = HeldWord(block, 16);
    fields->spi = HeldWord(block, 20) == 0;
    fields->cpha = Position(block[22], kSpiSettingCount);
    fields->cpol = Position(block[23], kSpiSettingCount);
    fields->frameInterval = HeldWord(block, 24);
    fields->uartBaud = Position(block[26], kBaudRateCount);
    // Bit 7 of the format byte is always set by the module and carries
    // nothing, so it is not looked at.
    fields->uartStopBits = Position(((block[27] >> 2) & 0x03) - 1, kUartStopBitsCount);
    fields->uartParity = Position(block[27] & 0x03, kUartParityCount);
    fields->modbusAddress = HeldWord(block, 28);
    fields->crcEnabled = HeldWord(block, 30) == 0;
    fields->watchdog = HeldWord(block, 32);
    std::memcpy(fields->faultValues, block + 34, kFaultValueCount);
}

uint8_t EncodeUartFormat(int stopBitsPosition, int parityPosition) {
    return static_cast<uint8_t>(0x80 | ((stopBitsPosition * 4 + 4) & 0xFF) |
                                (parityPosition & 0xFF));
}

void EncodeGeneralBlock(const GeneralFields& fields, uint8_t* block) {
    block[10] = PositionByte(fields.switchCoding);
    block[11] = 0;
    block[12] = PositionByte(fields.offline);
    block[13] = 0;
    block[14] = PositionByte(fields.idle);
    block[15] = 0;
    SetHeldWord(block, 16, fields.interruptMask);
    block[20] = fields.spi ? 0 : 1;
    block[21] = 0;
    block[22] = PositionByte(fields.cpha);
    block[23] = PositionByte(fields.cpol);
    SetHeldWord(block, 24, fields.frameInterval);
    block[26] = PositionByte(fields.uartBaud);
    block[27] = EncodeUartFormat(fields.uartStopBits, fields.uartParity);
    SetHeldWord(block, 28, fields.modbusAddress);
    SetHeldWord(block, 32, fields.watchdog);
    std::memcpy(block + 34, fields.faultValues, kFaultValueCount);
}

bool StatusLampLit(const uint8_t* block, int lamp) {
    if (lamp < 0 || lamp > 3) return false;
    return (block[9] >> (3 - lamp)) & 0x01;
}

int DeviceModeIndexFromBlock(const uint8_t* block) {
    // The register value of a held block is byte 0 + 256 x byte 1 (low byte
    // first). Reading it as byte 0 x 256 + byte 1 would turn register value 1
    // into 256 and leave "复位" unselected; 0 gives "启动", 1 "复位", any
    // other value no selection. Value 2 in particular stays unselected: a
    // read must never leave "恢复出厂默认" chosen for the next "发送".
    const uint16_t mode = HeldWord(block, 0);
    return mode <= 1 ? mode : -1;
}
