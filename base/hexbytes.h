#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Value of one hexadecimal digit, either case; -1 for any other character.
int HexDigitValue(char c);

// Text form of byte arrays: each byte as "%02X " (two upper-case digits and
// one space, the last byte included). n is taken modulo 256, as the master's
// 8-bit lengths are; n = 0 gives an empty text.
std::string FormatHexBytes(const uint8_t* bytes, size_t n);

// Clears `size` bytes of `destination`, splits the text at spaces (0x20 only;
// runs and leading or trailing spaces are skipped), reads each token as "%x"
// does (longest prefix of hex digits; a token without one gives 0) and stores
// its low 8 bits at the next position while that position is below `size`.
// Returns the number of tokens, which can exceed `size`.
int ParseHexBytes(const std::string& text, uint8_t* destination, size_t size);

// The hex byte list of config.ini read into a destination of capacity c:
// ParseHexBytes, returning the number of bytes stored (at most c).
size_t ParseHexList(const std::string& text, uint8_t* destination, size_t capacity);

// Leading hexadecimal digits of the text read as one number (no sign, no
// spaces skipped); no digit gives 0. Overflow keeps the low 32 bits.
uint32_t ParseHexNumber(const std::string& text);

// Leading decimal integer as "%d"/atoi read it (leading spaces, optional
// sign); *ok tells whether there was a digit at all. Out-of-range values are
// clamped to the int range.
int ParseLeadingInt(const std::string& text, bool* ok = nullptr);
