#include "config_fields.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "baud_rates.h"
#include "core_texts.h"
#include "entry_rules.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "hexbytes.h"
#include "io_block.h"
#include "text_codec.h"

namespace configdoc {

const FieldLayout kFieldLayouts[kConfigFieldCount] = {
    {"general", "switch_coding", kGroupSwitchCoding, ConfigBlock::General, 10, 2, 0xFF},
    {"general", "offline", kGroupSwitchCoding, ConfigBlock::General, 12, 2, 0xFF},
    {"general", "idle", kGroupSwitchCoding, ConfigBlock::General, 14, 2, 0xFF},
    {"general", "interrupts", kGroupSwitchCoding, ConfigBlock::General, 16, 2, 0xFF},
    {"general", "interface", kGroupInterface, ConfigBlock::General, 20, 2, 0xFF},
    {"general", "cpha", kGroupInterface, ConfigBlock::General, 22, 1, 0xFF},
    {"general", "cpol", kGroupInterface, ConfigBlock::General, 23, 1, 0xFF},
    {"general", "frame_interval_50us", kGroupInterface, ConfigBlock::General, 24, 2, 0xFF},
    {"general", "baud_rate", kGroupInterface, ConfigBlock::General, 26, 1, 0xFF},
    // Byte 27 holds both: bit 7 set and bits 4-6 clear go with either.
    {"general", "stop_bits", kGroupInterface, ConfigBlock::General, 27, 1, 0xFC},
    {"general", "parity", kGroupInterface, ConfigBlock::General, 27, 1, 0xF3},
    {"general", "watchdog_ms", kGroupWatchdog, ConfigBlock::General, 32, 2, 0xFF},
    {"general", "fault_values", kGroupWatchdog, ConfigBlock::General, 34, kFaultValueCount, 0xFF},
    {"io", "input_length", kGroupIoLengths, ConfigBlock::Io, 0, 2, 0xFF},
    {"io", "output_length", kGroupIoLengths, ConfigBlock::Io, 2, 2, 0xFF},
    {"fieldbus", "node_address", kGroupNodeAddress, ConfigBlock::Fieldbus, 6, 2, 0xFF},
    {"fieldbus", "bit_rate", kGroupBitRate, ConfigBlock::Fieldbus, 10, 2, 0xFF},
    {"fieldbus", "vendor_id", kGroupDeviceInfo, ConfigBlock::Fieldbus, 20, 4, 0xFF},
    {"fieldbus", "product_code", kGroupDeviceInfo, ConfigBlock::Fieldbus, 24, 4, 0xFF},
    {"fieldbus", "serial_number", kGroupDeviceInfo, ConfigBlock::Fieldbus, 28, 4, 0xFF},
    {"fieldbus", "product_name", kGroupDeviceInfo, ConfigBlock::Fieldbus, 32, kProductNameBytes,
     0xFF},
};

namespace {

constexpr uint16_t kModuleTypeTavel = 0x0201;
constexpr size_t kIdBytes = 4;
constexpr size_t kFoundLimit = 80;

const char* const kSwitchCodingNames[] = {"bcd", "binary"};
const char* const kFaultActionNames[] = {"clear", "freeze", "default"};
const char* const kParityNames[] = {"none", "odd", "even"};
const char* const kInterfaceNames[] = {"spi", "uart"};  // word 20: 0 SPI, 1 UART
// General register 0x5004 - 1.
const char* const kFieldbusTypeNames[] = {"canopen", "devicenet", "jae1939", "profibus-dp"};

template <size_t N>
Json ChoiceName(const char* const (&names)[N], int position) {
    if (position < 0 || position >= static_cast<int>(N)) return Json();
    return names[position];
}

template <size_t N>
int ChoicePosition(const char* const (&names)[N], const Json& value) {
    if (!value.is_string()) return -1;
    const std::string text = value.get<std::string>();
    for (size_t i = 0; i < N; ++i) {
        if (strcasecmp(text.c_str(), names[i]) == 0) return static_cast<int>(i);
    }
    return -1;
}

// The items in the language's list form: "a, b, c", or with lastOr "a, b
// or c".
std::string ListText(const std::vector<std::string>& items, TextLanguage language,
                     bool lastOr = false) {
    std::string list;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            list += CoreTextIn(lastOr && i + 1 == items.size() ? kTextDocListOr : kTextDocListComma,
                               language);
        list += items[i];
    }
    return list;
}

template <size_t N>
std::string ChoiceAllowed(const char* const (&names)[N], TextLanguage language) {
    std::vector<std::string> quoted;
    for (const char* name : names) quoted.push_back(std::string("\"") + name + "\"");
    return ListText(quoted, language, true);
}

std::string TwoNumbersAllowed(int first, int second, TextLanguage language) {
    return ListText({std::to_string(first), std::to_string(second)}, language, true);
}

std::string BitRateAllowed(TextLanguage language) {
    std::vector<std::string> names;  // 0 = "1 Mbps", 1 = "800 kbps", ...
    for (int code = 0; code < kCanBitRateCount; ++code)
        names.push_back(std::to_string(code) + " = \"" + CanBitRateName(code) + "\"");
    return FillText(CoreTextIn(kTextDocBitRate, language), {{"names", ListText(names, language)}});
}

std::string BaudRateAllowed(TextLanguage language) {
    std::vector<std::string> rates;
    for (int i = 0; i < kBaudRateCount; ++i) rates.push_back(std::to_string(kBaudRates[i]));
    return FillText(CoreTextIn(kTextDocOneOf, language), {{"values", ListText(rates, language)}});
}

// A whole number of the value; false for anything else (text, fractions,
// true/false). Unsigned values beyond the signed range saturate.
bool WholeNumber(const Json& value, int64_t* number) {
    if (value.is_number_unsigned()) {
        const uint64_t u = value.get<uint64_t>();
        *number = u > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(u);
        return true;
    }
    if (value.is_number_integer()) {
        *number = value.get<int64_t>();
        return true;
    }
    return false;
}

bool InRange(const Json& value, EntryRange range, int* number) {
    int64_t n = 0;
    if (!WholeNumber(value, &n) || n < range.low || n > range.high) return false;
    *number = static_cast<int>(n);
    return true;
}

std::string RangeAllowed(EntryRange range, TextLanguage language) {
    return FillText(CoreTextIn(kTextDocWholeNumber, language),
                    {{"low", std::to_string(range.low)}, {"high", std::to_string(range.high)}});
}

// Exactly count bytes, each one or two hexadecimal digits, separated by
// blanks. Stricter than the boxes' reading on purpose: in a file a stray
// character is a mistake, not something to read as 0.
bool ParseByteList(const std::string& text, uint8_t* bytes, size_t count) {
    uint8_t parsed[kFaultValueCount] = {};
    size_t n = 0;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i == text.size()) break;
        if (n == count) return false;
        int value = 0;
        size_t digits = 0;
        for (; i < text.size() && text[i] != ' ' && text[i] != '\t'; ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0 || ++digits > 2) return false;
            value = value * 16 + digit;
        }
        parsed[n++] = static_cast<uint8_t>(value);
    }
    if (n != count) return false;
    std::memcpy(bytes, parsed, count);
    return true;
}

std::string ByteListAllowed(size_t count, TextLanguage language) {
    return FillText(CoreTextIn(kTextDocByteList, language), {{"count", std::to_string(count)}});
}

Json ByteListText(const uint8_t* bytes, size_t count) {
    std::string text = FormatHexBytes(bytes, count);
    if (!text.empty()) text.pop_back();  // the space after the last byte
    return text;
}

// Bit 0 is "START " on the indicators; the document has no use for the blank.
std::string InterruptName(int bit) {
    for (const InterruptBit& entry : kInterruptBits) {
        if (entry.bit != bit) continue;
        std::string name = entry.caption;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }
    return "bit" + std::to_string(bit);
}

std::string InterruptsAllowed(TextLanguage language) {
    std::vector<std::string> names;
    for (int bit = 9; bit >= 0; --bit) names.push_back("\"" + InterruptName(bit) + "\"");
    return FillText(CoreTextIn(kTextDocInterrupts, language),
                    {{"names", ListText(names, language)}});
}

bool ParseInterrupts(const Json& value, uint16_t* mask) {
    if (!value.is_array()) return false;
    uint16_t bits = 0;
    for (const Json& item : value) {
        if (!item.is_string()) return false;
        const std::string name = item.get<std::string>();
        int found = -1;
        for (int bit = 0; bit < 16 && found < 0; ++bit) {
            if (strcasecmp(name.c_str(), InterruptName(bit).c_str()) == 0) found = bit;
        }
        if (found < 0) return false;
        bits = static_cast<uint16_t>(bits | (1u << found));
    }
    *mask = bits;
    return true;
}

// The product name as the module will hold it: CP936, at most 32 bytes,
// nothing lost on the way (no NUL that would end it early, no character that
// CP936 lacks and would become '?').
bool ProductNameFits(const std::string& utf8) {
    if (utf8.find('\0') != std::string::npos) return false;
    const std::string cp936 = Utf8ToCp936(utf8);
    return cp936.size() <= kProductNameBytes && Cp936ToUtf8(cp936) == utf8;
}

std::string TypeWordName(uint16_t word, const char* name) {
    if (name != nullptr) return name;
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(word));
    return text;
}

bool ParseTypeWord(const std::string& text, const char* name, uint16_t word, uint16_t* value) {
    if (name != nullptr && strcasecmp(text.c_str(), name) == 0) {
        *value = word;
        return true;
    }
    return false;
}

bool ParseHexWord(const std::string& text, uint16_t* value) {
    if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    unsigned number = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return false;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    *value = static_cast<uint16_t>(number);
    return true;
}

}  // namespace

const uint8_t* BlockBytes(const ConfigBlocks& blocks, ConfigBlock block) {
    return ConfigBlockBytes(blocks, block);
}

uint8_t* BlockBytes(ConfigBlocks* blocks, ConfigBlock block) {
    return ConfigBlockBytes(blocks, block);
}

int CodingOf(const ConfigBlocks& blocks) {
    return HeldWord(blocks.general, 10);
}

Json FieldJson(ConfigField field, const ConfigBlocks& blocks) {
    GeneralFields g;
    DecodeGeneralBlock(blocks.general, &g);
    const uint8_t* fb = blocks.fieldbus;
    switch (field) {
        case kFieldSwitchCoding:
            return ChoiceName(kSwitchCodingNames, g.switchCoding);
        case kFieldOffline:
            return ChoiceName(kFaultActionNames, g.offline);
        case kFieldIdle:
            return ChoiceName(kFaultActionNames, g.idle);
        case kFieldInterrupts: {
            Json names = Json::array();
            // Indicator order: the highest bit first.
            for (int bit = 15; bit >= 0; --bit) {
                if (g.interruptMask & (1u << bit)) names.push_back(InterruptName(bit));
            }
            return names;
        }
        case kFieldInterface:
            return g.spi ? "spi" : "uart";
        case kFieldCpha:
            return g.cpha < 0 ? Json() : Json(g.cpha);
        case kFieldCpol:
            return g.cpol < 0 ? Json() : Json(g.cpol);
        case kFieldFrameInterval:
            return g.frameInterval;
        case kFieldBaudRate:
            return g.uartBaud < 0 ? Json() : Json(kBaudRates[g.uartBaud]);
        case kFieldStopBits:
            return g.uartStopBits < 0 ? Json() : Json(g.uartStopBits + 1);
        case kFieldParity:
            return ChoiceName(kParityNames, g.uartParity);
        case kFieldWatchdog:
            return g.watchdog;
        case kFieldFaultValues:
            return ByteListText(g.faultValues, kFaultValueCount);
        case kFieldInputLength:
        case kFieldOutputLength: {
            // A length beyond the data areas could not be loaded back.
            const int length = HeldWord(blocks.io, kFieldLayouts[field].offset);
            return length <= kIoLengthEntry.high ? Json(length) : Json();
        }
        case kFieldNodeAddress: {
            // A value that is no CANopen node number could not be loaded back.
            const uint16_t address = WireWord(fb, 6);
            if (CanNodeNumber(address, CodingOf(blocks)) < 0) return Json();
            return NodeAddressJson(FormatNodeAddress(address, CodingOf(blocks)));
        }
        case kFieldBitRate: {
            const uint16_t code = WireWord(fb, 10);
            return code < kCanBitRateCount ? Json(code) : Json();
        }
        case kFieldVendorId:
        case kFieldProductCode:
        case kFieldSerialNumber:
            return ByteListText(fb + kFieldLayouts[field].offset, kIdBytes);
        case kFieldProductName: {
            // Bytes that are no CP936 text cannot be written back as read.
            const std::string name = DecodeProductName(fb);
            return ProductNameFits(name) ? Json(name) : Json();
        }
        case kConfigFieldCount:
            break;
    }
    return Json();
}

std::string FieldText(ConfigField field, const ConfigBlocks& blocks, TextLanguage language) {
    const Json value = FieldJson(field, blocks);
    if (value.is_string()) return value.get<std::string>();
    if (value.is_array()) {
        std::string text;
        for (const Json& item : value) text += (text.empty() ? "" : ", ") + item.get<std::string>();
        return text.empty() ? CoreTextIn(kTextDocNoneChosen, language) : text;
    }
    if (!value.is_null()) return value.dump();
    if (field == kFieldProductName) return CoreTextIn(kTextDocNotCp936, language);
    // The other fields come out null for a value outside their list or range.
    const FieldLayout& layout = kFieldLayouts[field];
    const uint8_t* bytes = BlockBytes(blocks, layout.block) + layout.offset;
    if (field == kFieldNodeAddress)
        return FillText(CoreTextIn(kTextDocNoNodeNumber, language),
                        {{"value", FormatNodeAddress(WireWord(bytes, 0), CodingOf(blocks))}});
    // The fieldbus block is held in wire order, the others low byte first.
    unsigned raw = layout.length == 1                      ? bytes[0]
                   : layout.block == ConfigBlock::Fieldbus ? WireWord(bytes, 0)
                                                           : HeldWord(bytes, 0);
    if (field == kFieldStopBits) raw = (raw >> 2) & 0x03;
    if (field == kFieldParity) raw &= 0x03;
    return FillText(CoreTextIn(kTextDocOutsideValues, language), {{"value", std::to_string(raw)}});
}

bool FieldFromJson(ConfigField field, const Json& value, ConfigBlocks* blocks, std::string* allowed,
                   TextLanguage language) {
    uint8_t* general = blocks->general;
    uint8_t* fb = blocks->fieldbus;
    int number = 0;
    int position = -1;
    switch (field) {
        case kFieldSwitchCoding:
            position = ChoicePosition(kSwitchCodingNames, value);
            *allowed = ChoiceAllowed(kSwitchCodingNames, language);
            if (position < 0) return false;
            SetHeldWord(general, 10, static_cast<uint16_t>(position));
            return true;
        case kFieldOffline:
        case kFieldIdle:
            position = ChoicePosition(kFaultActionNames, value);
            *allowed = ChoiceAllowed(kFaultActionNames, language);
            if (position < 0) return false;
            SetHeldWord(general, kFieldLayouts[field].offset, static_cast<uint16_t>(position));
            return true;
        case kFieldInterrupts: {
            uint16_t mask = 0;
            *allowed = InterruptsAllowed(language);
            if (!ParseInterrupts(value, &mask)) return false;
            SetHeldWord(general, 16, mask);
            return true;
        }
        case kFieldInterface:
            position = ChoicePosition(kInterfaceNames, value);
            *allowed = ChoiceAllowed(kInterfaceNames, language);
            if (position < 0) return false;
            SetHeldWord(general, 20, static_cast<uint16_t>(position));
            return true;
        case kFieldCpha:
        case kFieldCpol:
            *allowed = TwoNumbersAllowed(0, 1, language);
            if (!InRange(value, EntryRange{0, 1}, &number)) return false;
            general[kFieldLayouts[field].offset] = static_cast<uint8_t>(number);
            return true;
        case kFieldFrameInterval:
        case kFieldWatchdog:
            *allowed = RangeAllowed(kRegisterEntry, language);
            if (!InRange(value, kRegisterEntry, &number)) return false;
            SetHeldWord(general, kFieldLayouts[field].offset, static_cast<uint16_t>(number));
            return true;
        case kFieldBaudRate: {
            *allowed = BaudRateAllowed(language);
            for (int i = 0; i < kBaudRateCount; ++i) {
                if (InRange(value, EntryRange{kBaudRates[i], kBaudRates[i]}, &number)) position = i;
            }
            if (position < 0) return false;
            general[26] = static_cast<uint8_t>(position);
            return true;
        }
        case kFieldStopBits:
            *allowed = TwoNumbersAllowed(1, 2, language);
            if (!InRange(value, EntryRange{1, 2}, &number)) return false;
            general[27] = EncodeUartFormat(number - 1, general[27] & 0x03);
            return true;
        case kFieldParity:
            position = ChoicePosition(kParityNames, value);
            *allowed = ChoiceAllowed(kParityNames, language);
            if (position < 0) return false;
            // Keeps the stop bits as they are: a value outside 1-2 included.
            general[27] = EncodeUartFormat(((general[27] >> 2) & 0x03) - 1, position);
            return true;
        case kFieldFaultValues:
            *allowed = ByteListAllowed(kFaultValueCount, language);
            return value.is_string() &&
                   ParseByteList(value.get<std::string>(), general + 34, kFaultValueCount);
        case kFieldInputLength:
        case kFieldOutputLength:
            *allowed = RangeAllowed(kIoLengthEntry, language);
            if (!InRange(value, kIoLengthEntry, &number)) return false;
            SetHeldWord(blocks->io, kFieldLayouts[field].offset, static_cast<uint16_t>(number));
            return true;
        case kFieldBitRate:
            *allowed = BitRateAllowed(language);
            if (value.is_string()) number = CanBitRateCodeOfName(value.get<std::string>());
            if (!(value.is_string() && number >= 0) &&
                !InRange(value, EntryRange{0, kCanBitRateCount - 1}, &number))
                return false;
            SetWireWord(fb, 10, static_cast<uint16_t>(number));
            return true;
        case kFieldVendorId:
        case kFieldProductCode:
        case kFieldSerialNumber:
            *allowed = ByteListAllowed(kIdBytes, language);
            return value.is_string() && ParseByteList(value.get<std::string>(),
                                                      fb + kFieldLayouts[field].offset, kIdBytes);
        case kFieldProductName:
            *allowed = CoreTextIn(kTextDocProductName, language);
            if (!value.is_string() || !ProductNameFits(value.get<std::string>())) return false;
            EncodeProductName(value.get<std::string>(), fb);
            return true;
        case kFieldNodeAddress:
        case kConfigFieldCount:
            break;
    }
    *allowed = CoreTextIn(kTextDocNothing, language);
    return false;
}

bool NodeAddressText(const Json& value, std::string* text) {
    int64_t number = 0;
    if (WholeNumber(value, &number)) {
        *text = std::to_string(number);
        return true;
    }
    if (!value.is_string()) return false;
    *text = value.get<std::string>();
    return true;
}

std::string NodeAddressAllowed(int coding) {
    return CoreString(coding == 0 ? kTextDocNodeBcd : kTextDocNodeBinary);
}

Json NodeAddressJson(const std::string& text) {
    if (text.empty() || text.size() > 5) return text;
    for (char c : text) {
        if (c < '0' || c > '9') return text;
    }
    return std::stoul(text);
}

std::string NodeAddressFound(const std::string& text) {
    const Json value = NodeAddressJson(text);
    return value.is_string() ? FoundText(value) : text;
}

std::string ModuleTypeName(uint16_t moduleType, uint16_t fieldbusType) {
    const int fieldbus = fieldbusType - 1;
    const char* fieldbusName =
        fieldbus >= 0 && fieldbus < 4 ? kFieldbusTypeNames[fieldbus] : nullptr;
    return TypeWordName(moduleType, moduleType == kModuleTypeTavel ? "tavel" : nullptr) + "/" +
           TypeWordName(fieldbusType, fieldbusName);
}

bool ParseModuleTypeName(const std::string& text, uint16_t* moduleType, uint16_t* fieldbusType) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    const std::string module = text.substr(0, slash);
    const std::string fieldbus = text.substr(slash + 1);
    uint16_t m = 0;
    uint16_t f = 0;
    if (!ParseTypeWord(module, "tavel", kModuleTypeTavel, &m) && !ParseHexWord(module, &m))
        return false;
    bool named = false;
    for (uint16_t i = 0; i < 4 && !named; ++i)
        named = ParseTypeWord(fieldbus, kFieldbusTypeNames[i], static_cast<uint16_t>(i + 1), &f);
    if (!named && !ParseHexWord(fieldbus, &f)) return false;
    *moduleType = m;
    *fieldbusType = f;
    return true;
}

const char* ModuleTypeAllowed() {
    return CoreString(kTextDocModuleTypeAllowed);
}

std::string FoundText(const Json& value) {
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() <= kFoundLimit) return text;
    size_t cut = kFoundLimit;
    // Never end inside a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "...";
}

ConfigError MakeError(const std::string& path, const std::string& found,
                      const std::string& allowed) {
    ConfigError error;
    error.path = path;
    error.found = found;
    error.allowed = allowed;
    error.message = FillCoreText(path.empty() ? kTextDocRootRefused : kTextDocValueRefused,
                                 {{"path", path}, {"found", found}, {"allowed", allowed}});
    return error;
}

}  // namespace configdoc
