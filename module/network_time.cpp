#include "network_time.h"

#include <string>

#include "core_texts.h"

namespace {

constexpr int kEpochYear = 1984;
constexpr int kCommonMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int MonthDays(long year, int month) {
    return month == 2 && IsLeapYear(year) ? 29 : kCommonMonthDays[month - 1];
}

}  // namespace

// The count is first split into whole 365-day years; every leap year passed
// costs one more day of the remainder, which can therefore fall below zero
// and has to be taken back from the end of an earlier year.
void DecodeNetworkDate(uint32_t days, int* year, int* month, int* day) {
    long years = static_cast<long>(days / 365);
    long r = static_cast<long>(days % 365);
    for (long y = kEpochYear; y < kEpochYear + years; ++y) {
        if (IsLeapYear(y)) --r;
    }

    if (r < 0) {
        long y = kEpochYear + years - 1;
        int m = 12;
        for (;;) {
            r += MonthDays(y, m);
            if (r >= 0) break;
            if (--m == 0) {
                m = 12;
                --y;
            }
        }
        *year = static_cast<int>(y);
        *month = m;
        *day = static_cast<int>(r) + 1;
        return;
    }

    long y = kEpochYear + years;
    *year = static_cast<int>(y);
    if (IsLeapYear(y)) {
        if (r == 59) {
            *month = 2;
            *day = 29;
            return;
        }
        if (r > 59) --r;
    }
    int m = 1;
    while (m < 12 && r >= kCommonMonthDays[m - 1]) {
        r -= kCommonMonthDays[m - 1];
        ++m;
    }
    *month = m;
    *day = static_cast<int>(r) + 1;
}

std::string FormatNetworkTime(uint32_t ms, uint16_t days) {
    const unsigned hours = (ms / 3600000u) % 256u;
    const unsigned minutes = (ms % 3600000u) / 60000u;
    const unsigned seconds = (ms % 60000u) / 1000u;
    int year = 0, month = 0, day = 0;
    DecodeNetworkDate(days, &year, &month, &day);
    return FillCoreText(kTextNetworkTime, {{"year", std::to_string(year)},
                                           {"month", std::to_string(month)},
                                           {"day", std::to_string(day)},
                                           {"hour", std::to_string(hours)},
                                           {"minute", std::to_string(minutes)},
                                           {"second", std::to_string(seconds)}});
}
