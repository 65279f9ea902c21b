#pragma once

#include <string>

// The bit rates every rate list offers, in list order: the serial page, the
// module's own UART on the general page, the simple edition's port list and
// the module search. config.ini stores a list position, so the order is part
// of the file's meaning.
constexpr int kBaudRateCount = 10;
inline constexpr int kBaudRates[kBaudRateCount] = {2400,  4800,   9600,   19200,  38400,
                                                   57600, 115200, 230400, 460800, 614400};

// The list item at a position: the rate in decimal. The last item has always
// read "614400 ", with a blank, and still does. Empty outside the list.
std::string BaudRateItem(int position);

// Position of a rate in the list, -1 when it is not there.
int BaudRatePosition(int baud);
