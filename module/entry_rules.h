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

// The text of a box with the blanks around it removed: ASCII white space and
// the Unicode spaces an input method types (U+3000 above all), as a box's
// text is trimmed before it is read.
std::string TrimEntry(const std::string& utf8);

enum class IntEntry {
    Ok,
    NotAnInteger,  // "请输入一个整数。"
    OutOfRange,    // "请输入一个介于 low 和 high 之间的整数。"
};

// A whole-number box: the whole text, blanks around it aside, is an optional
// sign and decimal digits, and the number lies in the range. *value is set
// only when Ok.
IntEntry CheckIntEntry(const std::string& text, EntryRange range, int* value);

// The module's own Modbus address as the general page sends it back. Its box
// is filled only from the module or config.ini; before the first read it is
// empty, and writing 0 or a wrapped value as the module's own address would
// cut the module off the line. So only up to five decimal digits (blanks
// around them aside) with a value of at most 65535 are taken.
bool CheckModbusAddressEntry(const std::string& text, uint16_t* value);

// The frame interval while the UART interface is chosen: its box is disabled
// then, so the user cannot correct it. An empty box gives 0, a number
// 0..65535 that number, anything else the held value instead of stopping
// the modify. (With SPI chosen the box is taken like any 16-bit entry.)
uint16_t FrameIntervalUnderUart(const std::string& text, uint16_t held);

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

// The simple edition's node address, always hexadecimal: as "%x" reads it,
// the number the text begins with counts (blanks before it skipped), and it
// must fit the 16-bit register.
NodeAddressEntry CheckLeadingNodeAddress(const std::string& text, uint16_t* value);
