#include "entry_rules.h"

#include "fieldbus_block.h"

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
