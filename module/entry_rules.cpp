#include "entry_rules.h"

#include <limits>

#include "fieldbus_block.h"

namespace {

// Length of the blank that starts at text[i] (0 for none): ASCII white space,
// and U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F
// and U+3000 in UTF-8.
size_t BlankAt(const std::string& text, size_t i) {
    const auto byte = [&text](size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const unsigned c = byte(i);
    if (c == ' ' || (c >= 0x09 && c <= 0x0D)) return 1;
    if (c == 0xC2 && (byte(i + 1) == 0x85 || byte(i + 1) == 0xA0)) return 2;
    if (c == 0xE1 && byte(i + 1) == 0x9A && byte(i + 2) == 0x80) return 3;
    if (c == 0xE2 && byte(i + 1) == 0x80) {
        const unsigned d = byte(i + 2);
        if ((d >= 0x80 && d <= 0x8A) || d == 0xA8 || d == 0xA9 || d == 0xAF) return 3;
    }
    if (c == 0xE2 && byte(i + 1) == 0x81 && byte(i + 2) == 0x9F) return 3;
    if (c == 0xE3 && byte(i + 1) == 0x80 && byte(i + 2) == 0x80) return 3;
    return 0;
}

}  // namespace

std::string TrimEntry(const std::string& utf8) {
    size_t begin = 0;
    while (size_t n = BlankAt(utf8, begin)) begin += n;
    // The last blank that reaches the end, found from the front since UTF-8
    // cannot be read backwards character by character without care.
    size_t end = begin;
    for (size_t i = begin; i < utf8.size();) {
        const size_t n = BlankAt(utf8, i);
        i += n > 0 ? n : 1;
        if (n == 0) end = i;
    }
    return utf8.substr(begin, end - begin);
}

IntEntry CheckIntEntry(const std::string& text, EntryRange range, int* value) {
    const std::string trimmed = TrimEntry(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < trimmed.size() && (trimmed[pos] == '+' || trimmed[pos] == '-')) {
        negative = trimmed[pos] == '-';
        ++pos;
    }
    if (pos >= trimmed.size()) return IntEntry::NotAnInteger;
    // Beyond the 64-bit range values saturate: they are integers, only out of
    // any range a box can have.
    constexpr long long kLimit = std::numeric_limits<long long>::max() / 10 - 1;
    long long magnitude = 0;
    for (; pos < trimmed.size(); ++pos) {
        const char c = trimmed[pos];
        if (c < '0' || c > '9') return IntEntry::NotAnInteger;
        if (magnitude < kLimit) magnitude = magnitude * 10 + (c - '0');
    }
    const long long number = negative ? -magnitude : magnitude;
    if (number < range.low || number > range.high) return IntEntry::OutOfRange;
    *value = static_cast<int>(number);
    return IntEntry::Ok;
}

bool CheckModbusAddressEntry(const std::string& text, uint16_t* value) {
    const std::string digits = TrimEntry(text);
    if (digits.empty() || digits.size() > 5) return false;
    unsigned number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > static_cast<unsigned>(kRegisterEntry.high)) return false;
    *value = static_cast<uint16_t>(number);
    return true;
}

uint16_t FrameIntervalUnderUart(const std::string& text, uint16_t held) {
    if (TrimEntry(text).empty()) return 0;
    int value = 0;
    return CheckIntEntry(text, kRegisterEntry, &value) == IntEntry::Ok
               ? static_cast<uint16_t>(value)
               : held;
}

NodeAddressEntry CheckNodeAddressEntry(const std::string& text, int coding, uint16_t* value) {
    uint64_t number = 0;
    if (!ParseNodeAddressText(text, coding, &number)) return NodeAddressEntry::NotANumber;
    if (number > static_cast<uint64_t>(kRegisterEntry.high)) return NodeAddressEntry::OutOfRange;
    *value = static_cast<uint16_t>(number);
    return NodeAddressEntry::Ok;
}

NodeAddressEntry CheckCanNodeAddress(const std::string& text, int coding, uint16_t* value) {
    // BCD digits are decimal digits: read them as such, so that "3A" is no
    // number and "0x38" no notation of the switches.
    uint64_t number = 0;
    if (!ParseNodeAddressText(text, 1, &number)) return NodeAddressEntry::NotANumber;
    if (coding == 0 && text.find_first_of("+-") != std::string::npos)
        return NodeAddressEntry::NotANumber;
    if (number < static_cast<uint64_t>(kCanNodeEntry.low) ||
        number > static_cast<uint64_t>(kCanNodeEntry.high))
        return NodeAddressEntry::OutOfRange;
    const auto node = static_cast<uint16_t>(number);
    *value = coding == 0
                 ? static_cast<uint16_t>((node / 100) << 8 | (node / 10 % 10) << 4 | node % 10)
                 : node;
    return NodeAddressEntry::Ok;
}

int CanNodeNumber(uint16_t value, int coding) {
    int node = value;
    if (coding == 0) {
        node = 0;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int digit = (value >> shift) & 0x0F;
            if (digit > 9) return -1;
            node = node * 10 + digit;
        }
    }
    return node >= kCanNodeEntry.low && node <= kCanNodeEntry.high ? node : -1;
}

namespace {

// Lower case without blanks: "500 KBPS" and "500kbps" name the same rate.
std::string Folded(const std::string& text) {
    std::string folded;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded;
}

}  // namespace

int CanBitRateCodeOfName(const std::string& name) {
    const std::string wanted = Folded(name);
    for (int code = 0; code < kCanBitRateCount; ++code)
        if (Folded(CanBitRateName(code)) == wanted) return code;
    return -1;
}

NodeAddressEntry CheckLeadingNodeAddress(const std::string& text, uint16_t* value) {
    uint64_t number = 0;
    if (!ParseNodeAddress(text, 0, &number)) return NodeAddressEntry::NotANumber;
    if (number > static_cast<uint64_t>(kRegisterEntry.high)) return NodeAddressEntry::OutOfRange;
    *value = static_cast<uint16_t>(number);
    return NodeAddressEntry::Ok;
}
