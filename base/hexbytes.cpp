#include "hexbytes.h"

#include <climits>

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

namespace {

// Value of the longest prefix of hex digits of text[begin, end); 0 without one.
uint32_t HexPrefixValue(const std::string& text, size_t begin, size_t end) {
    uint32_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return value;
}

}  // namespace

std::string FormatHexBytes(const uint8_t* bytes, size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    n %= 256;
    std::string text;
    text.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
        text += ' ';
    }
    return text;
}

int ParseHexBytes(const std::string& text, uint8_t* destination, size_t size) {
    for (size_t i = 0; i < size; ++i) destination[i] = 0;
    int tokens = 0;
    size_t pos = 0;
    const size_t length = text.size();
    while (pos < length) {
        while (pos < length && text[pos] == ' ') ++pos;
        if (pos >= length) break;
        size_t end = pos;
        while (end < length && text[end] != ' ') ++end;
        const uint32_t value = HexPrefixValue(text, pos, end);
        if (static_cast<size_t>(tokens) < size) {
            destination[tokens] = static_cast<uint8_t>(value & 0xFF);
        }
        if (tokens < INT_MAX) ++tokens;
        pos = end;
    }
    return tokens;
}

size_t ParseHexList(const std::string& text, uint8_t* destination, size_t capacity) {
    const int tokens = ParseHexBytes(text, destination, capacity);
    return static_cast<size_t>(tokens) < capacity ? static_cast<size_t>(tokens) : capacity;
}

uint32_t ParseHexNumber(const std::string& text) { return HexPrefixValue(text, 0, text.size()); }

int ParseLeadingInt(const std::string& text, bool* ok) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    bool digits = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        digits = true;
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[pos] - '0');
    }
    if (ok) *ok = digits;
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
