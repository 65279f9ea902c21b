#pragma once

#include <cstdint>
#include <string>

// Gregorian date `days` days after 1 January 1984 (day 0).
void DecodeNetworkDate(uint32_t days, int* year, int* month, int* day);

// "%d年%d月%d日,%d时%d分%d秒" (UTF-8) of a CANopen time of day: ms after
// midnight and days since 1984-01-01; hours are taken modulo 256 as the module
// tool always did.
std::string FormatNetworkTime(uint32_t ms, uint16_t days);
