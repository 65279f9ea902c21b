#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "register_map.h"

// FieldbusParamBlock (registers 0x7001-0x7042) held in wire order: byte 2k is
// the high, 2k + 1 the low byte of register 0x7001 + k.

inline uint16_t WireWord(const uint8_t* block, size_t n) {
    return static_cast<uint16_t>((block[n] << 8) | block[n + 1]);
}
inline void SetWireWord(uint8_t* block, size_t n, uint16_t value) {
    block[n] = static_cast<uint8_t>(value >> 8);
    block[n + 1] = static_cast<uint8_t>(value & 0xFF);
}

constexpr int kFieldbusStatusCount = 15;
constexpr int kModuleStateCount = 4;
constexpr int kCanBitRateCount = 9;
constexpr size_t kProductNameBytes = 32;
constexpr size_t kErrorMessageBytes = 24;
// The error message is four entries, each a two-byte index and a four-byte
// error code, as the fieldbus page's grid shows them.
constexpr size_t kErrorIndexBytes = 2;
constexpr size_t kErrorCodeBytes = 4;

// The texts of the lists, in list order.
extern const CoreText kFieldbusStatusTexts[kFieldbusStatusCount];
extern const char* const kModuleStateTexts[kModuleStateCount];
extern const char* const kCanBitRateTexts[kCanBitRateCount];  // "0：1 Mbps" ...
// The rate of a code as its list item names it after the code: "500 kbps";
// "" outside the list.
const char* CanBitRateName(int code);

// Number of significant bits of the status value (0 for 0); -1 for values
// of 0x4000 or more, which the list does not have.
int FieldbusStatusIndex(uint16_t status);
// NMT state 0, 4, 5, 127 -> 0..3; -1 for any other value.
int ModuleStateIndex(uint16_t state);
// 0..3 -> 0, 4, 5, 127; -1 outside.
int ModuleStateValue(int index);

// Node-address notation: coding 0 (BCD) "%X" / "%x", any other "%d".
std::string FormatNodeAddress(uint16_t value, int coding);
// Leading number of the text in that notation (leading spaces skipped; hex
// takes an optional 0x prefix and no sign, decimal an optional sign). False
// when the text does not start with one. *value is not bounded: callers
// refuse values above 65535; a negative decimal number or one beyond 64 bits
// gives UINT64_MAX.
bool ParseNodeAddress(const std::string& text, int coding, uint64_t* value);
// As ParseNodeAddress, but the whole text (spaces around it aside) must be
// the number: "25x" is refused instead of read as 25.
bool ParseNodeAddressText(const std::string& text, int coding, uint64_t* value);

// Up to 4 hex bytes of a vendor-ID style text ("01 02 03" -> 01 02 03 00).
void ParseDeviceId(const std::string& text, uint8_t out[4]);
// "%02X " of each of the 4 bytes.
std::string FormatDeviceId(const uint8_t bytes[4]);

// Product name <-> bytes 32-63: character 2k in the low byte (wire byte
// 32 + 2k + 1), character 2k + 1 in the high byte of register 0x7011 + k.
// Text is UTF-8; on the wire it is CP936, cut at 32 bytes without splitting a
// double-byte character, padded with 0.
void EncodeProductName(const std::string& utf8, uint8_t* block);
std::string DecodeProductName(const uint8_t* block);

// Emergency message data (4 bytes): first two bytes of each hex text, missing
// bytes 0.
void BuildEmergencyData(const std::string& standardCode, const std::string& custom, uint8_t out[4]);

struct FieldbusFields {
    int fieldbusStatus = -1;  // list position or -1
    int moduleState = -1;     // list position or -1 (unknown: leave the list)
    std::string nodeAddressConfigured;
    std::string nodeAddressActual;
    int bitRateConfigured = 0;
    int bitRateActual = 0;
    std::string vendorId, productCode, serialNumber;  // "%02X " texts
    std::string emergencyStandard, emergencyCustom;   // "%02X " texts
    std::string productName;
    uint8_t errorMessage[kErrorMessageBytes] = {};
};

void DecodeFieldbusBlock(const uint8_t* block, int coding, FieldbusFields* fields);

// The entries a page builds into the block: the password (bytes 4-5), the
// configured node address (6-7) and bit rate (10-11), the three identifiers
// read as hex bytes (20-31) and the product name (32-63). Every other byte
// keeps what it held.
struct FieldbusEntries {
    uint16_t password = 0;
    uint16_t nodeAddress = 0;
    uint16_t bitRate = 0;
    std::string vendorId, productCode, serialNumber;
    std::string productName;  // UTF-8
};

void EncodeFieldbusBlock(const FieldbusEntries& entries, uint8_t* block);
