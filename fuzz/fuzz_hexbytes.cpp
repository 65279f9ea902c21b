// Hex byte lists: parsing never writes past the destination, and formatted
// bytes parse back to themselves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "hexbytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t capacity : {size_t(0), size_t(2), size_t(28), size_t(144)}) {
        uint8_t* area = static_cast<uint8_t*>(malloc(capacity ? capacity : 1));
        const int tokens = ParseHexBytes(text, area, capacity);
        const size_t stored = ParseHexList(text, area, capacity);
        if (tokens < 0 || stored > capacity) abort();
        if (static_cast<size_t>(tokens) < capacity && stored != static_cast<size_t>(tokens))
            abort();
        free(area);
    }
    const size_t n = size < 255 ? size : 255;
    const std::string formatted = FormatHexBytes(data, n);
    if (formatted.size() != 3 * n) abort();
    uint8_t back[255];
    if (ParseHexBytes(formatted, back, sizeof back) != static_cast<int>(n)) abort();
    if (memcmp(back, data, n) != 0) abort();
    ParseHexNumber(text);
    ParseLeadingInt(text);
    return 0;
}
