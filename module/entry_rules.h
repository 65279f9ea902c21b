#pragma once

#include <cstdint>
#include <string>

#include "register_map.h"

// What the configuration entries accept. The pages take their boxes with
// these rules and the configuration document checks file values against the
// same ones, so a value refused on screen is refused in a file too.

struct EntryRange {
    int low;
    int high;
};

// A 16-bit register typed as a decimal number: the watchdog time, the frame
// interval and the configured CAN bit rate.
constexpr EntryRange kRegisterEntry{0, 65535};

// The input and output I/O lengths: at most what the data areas hold.
constexpr EntryRange kIoLengthEntry{0, static_cast<int>(kIoAreaSize)};

enum class NodeAddressEntry {
    Ok,
    NotANumber,  // the text is no number in the notation of the coding
    OutOfRange,  // a number above 65535, or a negative one
};

// The configured node address typed in the notation of the switch coding
// (0 = BCD, hexadecimal digits; any other = decimal): the whole text, blanks
// around it aside, must be the number, and it must fit the 16-bit register.
// Keeping only the low 16 bits would configure a node nobody typed.
NodeAddressEntry CheckNodeAddressEntry(const std::string& text, int coding, uint16_t* value);

// What a module can be configured with, for configuration documents: the
// pages keep the rules above, a document is checked against these.

// CANopen node numbers.
constexpr EntryRange kCanNodeEntry{1, 127};

// A node address as a document gives it: a CANopen node number 1 to 127 in
// the notation of the coding. Under BCD (0) the text holds the decimal digits
// the switches show and the register their BCD form ("38" is 0x0038, never
// "3A"); otherwise the register is the number itself. *value is the register.
NodeAddressEntry CheckCanNodeAddress(const std::string& text, int coding, uint16_t* value);
// The node number a register holds in that coding, or -1 when it holds none
// (a BCD digit above 9, or a number outside 1 to 127).
int CanNodeNumber(uint16_t value, int coding);

// The CAN bit-rate code of a name as the simple edition's list shows it
// ("500 kbps", spaces and case aside), or -1.
int CanBitRateCodeOfName(const std::string& name);
