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
