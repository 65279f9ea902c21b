#include "hex_args.h"

#include <sstream>

#include "cli_texts.h"
#include "hexbytes.h"

namespace {

bool AddToken(const std::string& token, std::vector<uint8_t>* bytes, std::string* error) {
    for (char c : token) {
        if (HexDigitValue(c) < 0) {
            *error = FillCliText(kCliHexNotByte, {{"token", token}});
            return false;
        }
    }
    if (token.size() <= 2) {
        int value = 0;
        for (char c : token) value = value * 16 + HexDigitValue(c);
        bytes->push_back(static_cast<uint8_t>(value));
        return true;
    }
    if (token.size() % 2 != 0) {
        *error = FillCliText(kCliHexOddDigits, {{"token", token}});
        return false;
    }
    for (size_t i = 0; i < token.size(); i += 2)
        bytes->push_back(
            static_cast<uint8_t>(HexDigitValue(token[i]) * 16 + HexDigitValue(token[i + 1])));
    return true;
}

}  // namespace

bool ParseHexArguments(const std::vector<std::string>& words, size_t maxBytes,
                       std::vector<uint8_t>* bytes, std::string* error) {
    bytes->clear();
    for (const std::string& word : words) {
        std::istringstream tokens(word);
        std::string token;
        while (tokens >> token)
            if (!AddToken(token, bytes, error)) return false;
    }
    if (bytes->size() > maxBytes) {
        *error = FillCliText(kCliHexTooMany, {{"count", std::to_string(bytes->size())},
                                              {"max", std::to_string(maxBytes)}});
        return false;
    }
    return true;
}
