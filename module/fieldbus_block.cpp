#include "fieldbus_block.h"

#include <cstdio>
#include <cstring>

#include "hexbytes.h"
#include "text_codec.h"

const CoreText kFieldbusStatusTexts[kFieldbusStatusCount] = {
    kTextStatusBusOk,        kTextStatusWarningSet,  kTextStatusWarningReset, kTextStatusPassiveSet,
    kTextStatusPassiveReset, kTextStatusBusOff,      kTextStatusOverrun,      kTextStatusStuff,
    kTextStatusForm,         kTextStatusAck,         kTextStatusCrc,          kTextStatusRxHigh,
    kTextStatusRxLow,        kTextStatusBusOffReset, kTextStatusFirstOnline,
};

const char* const kModuleStateTexts[kModuleStateCount] = {
    "Initialisation",
    "Stopped",
    "Operational",
    "PreOperational",
};

const char* const kCanBitRateTexts[kCanBitRateCount] = {
    "0：1 Mbps",   "1：800 kbps", "2：500 kbps", "3：250 kbps", "4：125 kbps",
    "5：100 kbps", "6：50 kbps",  "7：20 kbps",  "8：10 kbps",
};

namespace {

constexpr uint16_t kModuleStateValues[kModuleStateCount] = {0, 4, 5, 127};

constexpr size_t kProductNameOffset = 32;
constexpr size_t kVendorIdOffset = 20;
constexpr size_t kProductCodeOffset = 24;
constexpr size_t kSerialNumberOffset = 28;
constexpr size_t kEmergencyOffset = 64;
constexpr size_t kErrorMessageOffset = 68;
constexpr size_t kEmergencyTextBytes = 255;

int DecimalDigit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

constexpr uint64_t kSaturated = UINT64_MAX;

// Reads the number at text[*pos] in the notation; *pos ends after it.
bool ReadNumber(const std::string& text, int coding, size_t* pos, uint64_t* value) {
    size_t i = *pos;
    bool negative = false;
    const bool hex = coding == 0;
    if (hex) {
        // "%x" takes an optional 0x prefix when a digit follows it.
        if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            HexDigitValue(text[i + 2]) >= 0) {
            i += 2;
        }
    } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t first = i;
    uint64_t number = 0;
    bool overflow = false;
    const unsigned base = hex ? 16 : 10;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigitValue(text[i]) : DecimalDigit(text[i]);
        if (digit < 0) break;
        if (number > (kSaturated - static_cast<uint64_t>(digit)) / base) overflow = true;
        number = number * base + static_cast<uint64_t>(digit);
    }
    if (i == first) return false;
    // Negative numbers and numbers beyond 64 bits cannot be an address; they
    // are reported as the largest value so that the range check refuses them.
    *value = (overflow || (negative && number != 0)) ? kSaturated : number;
    *pos = i;
    return true;
}

size_t SkipSpaces(const std::string& text, size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return i;
}

}  // namespace

const char* CanBitRateName(int code) {
    if (code < 0 || code >= kCanBitRateCount) return "";
    // Each item is the code, a full-width colon (3 bytes in UTF-8), the rate.
    const char* item = kCanBitRateTexts[code];
    const char* colon = std::strstr(item, "\xEF\xBC\x9A");
    return colon != nullptr ? colon + 3 : item;
}

int FieldbusStatusIndex(uint16_t status) {
    int bits = 0;
    for (uint16_t v = status; v != 0; v >>= 1) ++bits;
    return bits < kFieldbusStatusCount ? bits : -1;
}

int ModuleStateIndex(uint16_t state) {
    for (int i = 0; i < kModuleStateCount; ++i) {
        if (kModuleStateValues[i] == state) return i;
    }
    return -1;
}

int ModuleStateValue(int index) {
    return index >= 0 && index < kModuleStateCount ? kModuleStateValues[index] : -1;
}

std::string FormatNodeAddress(uint16_t value, int coding) {
    char text[8];
    std::snprintf(text, sizeof text, coding == 0 ? "%X" : "%d", static_cast<unsigned>(value));
    return text;
}

bool ParseNodeAddress(const std::string& text, int coding, uint64_t* value) {
    size_t pos = SkipSpaces(text, 0);
    return ReadNumber(text, coding, &pos, value);
}

bool ParseNodeAddressText(const std::string& text, int coding, uint64_t* value) {
    size_t pos = SkipSpaces(text, 0);
    uint64_t number = 0;
    if (!ReadNumber(text, coding, &pos, &number)) return false;
    if (SkipSpaces(text, pos) != text.size()) return false;
    *value = number;
    return true;
}

void ParseDeviceId(const std::string& text, uint8_t out[4]) {
    ParseHexBytes(text, out, 4);
}

std::string FormatDeviceId(const uint8_t bytes[4]) {
    return FormatHexBytes(bytes, 4);
}

void EncodeProductName(const std::string& utf8, uint8_t* block) {
    const std::string name = TruncateCp936(Utf8ToCp936(utf8), kProductNameBytes);
    uint8_t characters[kProductNameBytes] = {};
    std::memcpy(characters, name.data(),
                name.size() < kProductNameBytes ? name.size() : kProductNameBytes);
    for (size_t k = 0; k < kProductNameBytes / 2; ++k) {
        block[kProductNameOffset + 2 * k] = characters[2 * k + 1];
        block[kProductNameOffset + 2 * k + 1] = characters[2 * k];
    }
}

std::string DecodeProductName(const uint8_t* block) {
    std::string name;
    for (size_t i = 0; i < kProductNameBytes; ++i) {
        // Character 2k sits in the low (second) byte of its register.
        const uint8_t c = block[kProductNameOffset + (i ^ 1)];
        if (c == 0) break;
        name.push_back(static_cast<char>(c));
    }
    return Cp936ToUtf8(name);
}

void BuildEmergencyData(const std::string& standardCode, const std::string& custom,
                        uint8_t out[4]) {
    uint8_t bytes[kEmergencyTextBytes];
    ParseHexBytes(standardCode, bytes, sizeof bytes);
    out[0] = bytes[0];
    out[1] = bytes[1];
    ParseHexBytes(custom, bytes, sizeof bytes);
    out[2] = bytes[0];
    out[3] = bytes[1];
}

void DecodeFieldbusBlock(const uint8_t* block, int coding, FieldbusFields* fields) {
    fields->fieldbusStatus = FieldbusStatusIndex(WireWord(block, 0));
    fields->moduleState = ModuleStateIndex(WireWord(block, 2));
    fields->nodeAddressConfigured = FormatNodeAddress(WireWord(block, 6), coding);
    fields->nodeAddressActual = FormatNodeAddress(WireWord(block, 8), coding);
    fields->bitRateConfigured = WireWord(block, 10);
    fields->bitRateActual = WireWord(block, 12);
    fields->vendorId = FormatDeviceId(block + kVendorIdOffset);
    fields->productCode = FormatDeviceId(block + kProductCodeOffset);
    fields->serialNumber = FormatDeviceId(block + kSerialNumberOffset);
    fields->emergencyStandard = FormatHexBytes(block + kEmergencyOffset, 2);
    fields->emergencyCustom = FormatHexBytes(block + kEmergencyOffset + 2, 2);
    fields->productName = DecodeProductName(block);
    std::memcpy(fields->errorMessage, block + kErrorMessageOffset, kErrorMessageBytes);
}

void EncodeFieldbusBlock(const FieldbusEntries& entries, uint8_t* block) {
    SetWireWord(block, 4, entries.password);
    SetWireWord(block, 6, entries.nodeAddress);
    SetWireWord(block, 10, entries.bitRate);
    ParseDeviceId(entries.vendorId, block + kVendorIdOffset);
    ParseDeviceId(entries.productCode, block + kProductCodeOffset);
    ParseDeviceId(entries.serialNumber, block + kSerialNumberOffset);
    EncodeProductName(entries.productName, block);
}
