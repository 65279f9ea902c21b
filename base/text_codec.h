#pragma once

#include <string>

// Conversions between the program's UTF-8 text and the CP936 (GBK) bytes
// stored in config.ini and sent as the product name. Bytes that are not valid
// CP936 decode to U+FFFD; characters without a CP936 form encode as '?'.
std::string Utf8ToCp936(const std::string& utf8);
std::string Cp936ToUtf8(const std::string& cp936);

// Cuts CP936 bytes to at most maxBytes without splitting a double-byte
// character (a character that would not fit is dropped whole).
std::string TruncateCp936(const std::string& cp936, size_t maxBytes);
