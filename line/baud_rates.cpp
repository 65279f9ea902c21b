#include "baud_rates.h"

std::string BaudRateItem(int position) {
    if (position < 0 || position >= kBaudRateCount) return std::string();
    std::string item = std::to_string(kBaudRates[position]);
    if (position == kBaudRateCount - 1) item += ' ';
    return item;
}

int BaudRatePosition(int baud) {
    for (int i = 0; i < kBaudRateCount; ++i)
        if (kBaudRates[i] == baud) return i;
    return -1;
}
