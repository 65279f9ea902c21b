// Entry parsers of the fieldbus page: password, node address, device IDs and
// the emergency message take any text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fieldbus_block.h"
#include "hexbytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ParseHexNumber(text);
    for (int coding = 0; coding < 2; ++coding) {
        uint64_t value = 0;
        if (ParseNodeAddress(text, coding, &value) && value <= 0xFFFF) {
            uint64_t again = 0;
            const std::string shown = FormatNodeAddress(static_cast<uint16_t>(value), coding);
            if (!ParseNodeAddress(shown, coding, &again) || again != value) abort();
        }
    }
    uint8_t id[4];
    ParseDeviceId(text, id);
    uint8_t shownBack[4];
    ParseDeviceId(FormatDeviceId(id), shownBack);
    for (int i = 0; i < 4; ++i) {
        if (shownBack[i] != id[i]) abort();
    }
    const size_t half = size / 2;
    uint8_t emergency[4];
    BuildEmergencyData(text.substr(0, half), text.substr(half), emergency);
    return 0;
}
