#pragma once

#include <cstdint>
#include <string>

// Gregorian date `days` days after 1 January 1984 (day 0).
void DecodeNetworkDate(uint32_t days, int* year, int* month, int* day);

// "%d年%d月%d日,%d时%d分%d秒" (UTF-8; in English "Y-M-D, H h M min S s")
// of a CANopen time of day: ms after midnight and days since 1984-01-01.
// Hours are ms / 3600000 modulo 256; a count of more than 24 hours is never
// carried into the date.
std::string FormatNetworkTime(uint32_t ms, uint16_t days);
