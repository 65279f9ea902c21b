#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes typed as hexadecimal on the command line. Each word holds tokens
// separated by spaces; a token of one or two digits is one byte ("7", "0A"),
// a longer token of an even number of digits is several bytes in order
// ("0A0B" is 0A 0B). Anything else is refused with *error saying what, as are
// more than maxBytes bytes.
bool ParseHexArguments(const std::vector<std::string>& words, size_t maxBytes,
                       std::vector<uint8_t>* bytes, std::string* error);
