// The day count decoder agrees with an independent civil-calendar
// computation for every 16-bit day count and beyond.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "network_time.h"

namespace {

// Days since 1970-01-01 to a Gregorian date (the well-known era algorithm).
void CivilFromDays(int64_t z, int* year, int* month, int* day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t ms = 0;
    uint16_t days = 0;
    if (size >= 2) memcpy(&days, data, 2);
    if (size >= 6) memcpy(&ms, data + 2, 4);
    int year = 0, month = 0, day = 0;
    DecodeNetworkDate(days, &year, &month, &day);
    int y = 0, m = 0, d = 0;
    CivilFromDays(int64_t(days) + 5113, &y, &m, &d);  // 1984-01-01 is day 5113
    if (year != y || month != m || day != d) abort();
    const std::string text = FormatNetworkTime(ms, days);
    if (text.empty()) abort();
    return 0;
}
