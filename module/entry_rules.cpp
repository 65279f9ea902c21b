#include "entry_rules.h"

#include "fieldbus_block.h"

NodeAddressEntry CheckNodeAddressEntry(const std::string& text, int coding, uint16_t* value) {
    uint64_t number = 0;
    if (!ParseNodeAddressText(text, coding, &number)) return NodeAddressEntry::NotANumber;
    if (number > static_cast<uint64_t>(kRegisterEntry.high)) return NodeAddressEntry::OutOfRange;
    *value = static_cast<uint16_t>(number);
    return NodeAddressEntry::Ok;
}
