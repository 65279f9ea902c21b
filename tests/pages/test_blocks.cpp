// Block layouts, list lookups and the network date, without a display.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fieldbus_block.h"
#include "general_block.h"
#include "network_time.h"

namespace {

// ---- network date -------------------------------------------------------

struct DateCase {
    uint32_t days;
    int year, month, day;
};

TEST(NetworkDate, KnownDays) {
    const DateCase cases[] = {
        {0, 1984, 1, 1},     {30, 1984, 1, 31},    {31, 1984, 2, 1},    {58, 1984, 2, 28},
        {59, 1984, 2, 29},   {60, 1984, 3, 1},     {365, 1984, 12, 31}, {366, 1985, 1, 1},
        {730, 1985, 12, 31}, {1460, 1987, 12, 31}, {1461, 1988, 1, 1},  {1520, 1988, 2, 29},
        {1521, 1988, 3, 1},  {5843, 1999, 12, 31}, {5844, 2000, 1, 1},  {5903, 2000, 2, 29},
        {14000, 2022, 5, 1}, {42427, 2100, 2, 28}, {42428, 2100, 3, 1}, {65535, 2163, 6, 6},
    };
    for (const DateCase& c : cases) {
        int year = 0, month = 0, day = 0;
        DecodeNetworkDate(c.days, &year, &month, &day);
        EXPECT_EQ(year, c.year) << "days " << c.days;
        EXPECT_EQ(month, c.month) << "days " << c.days;
        EXPECT_EQ(day, c.day) << "days " << c.days;
    }
}

// Walks the calendar one day at a time and compares every 16-bit day count.
TEST(NetworkDate, AgreesWithACalendarWalkForEveryDayCount) {
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1984, month = 1, day = 1;
    int failures = 0;
    for (uint32_t days = 0; days <= 0xFFFF && failures < 5; ++days) {
        int y = 0, m = 0, d = 0;
        DecodeNetworkDate(days, &y, &m, &d);
        if (y != year || m != month || d != day) {
            ADD_FAILURE() << "days " << days << ": got " << y << "-" << m << "-" << d
                          << ", expected " << year << "-" << month << "-" << day;
            ++failures;
        }
        const int length = (month == 2 && leap(year)) ? 29 : lengths[month - 1];
        if (++day > length) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
}

TEST(NetworkTime, Text) {
    EXPECT_EQ(FormatNetworkTime(0, 0), "1984年1月1日,0时0分0秒");
    EXPECT_EQ(FormatNetworkTime(45296789, 14000), "2022年5月1日,12时34分56秒");
    EXPECT_EQ(FormatNetworkTime(86399999, 1520), "1988年2月29日,23时59分59秒");
    // Hours are counted modulo 256: 257 h 2 min 3 s shows as 1 h.
    EXPECT_EQ(FormatNetworkTime(257u * 3600000u + 2u * 60000u + 3999u, 65535),
              "2163年6月6日,1时2分3秒");
    EXPECT_EQ(FormatNetworkTime(0xFFFFFFFFu, 0), "1984年1月1日,169时2分47秒");
}

// ---- general block --------------------------------------------------------

TEST(GeneralBlock, ValuesOutsideTheListsGiveNoSelection) {
    uint8_t block[kGeneralBlockSize] = {};
    SetHeldWord(block, 4, 0x0100);
    SetHeldWord(block, 6, 0);
    SetHeldWord(block, 10, 2);
    block[12] = 3;
    block[14] = 0xFF;
    block[22] = 2;
    block[23] = 7;
    block[26] = 10;
    block[27] = 0x83;  // stop-bits field 0, parity 3
    SetHeldWord(block, 30, 1);
    GeneralFields f;
    DecodeGeneralBlock(block, &f);
    EXPECT_EQ(f.moduleType, 1);  // "其他"
    EXPECT_EQ(f.fieldbusType, -1);
    EXPECT_EQ(f.switchCoding, -1);
    EXPECT_EQ(f.offline, -1);
    EXPECT_EQ(f.idle, -1);
    EXPECT_TRUE(f.spi);
    EXPECT_EQ(f.cpha, -1);
    EXPECT_EQ(f.cpol, -1);
    EXPECT_EQ(f.uartBaud, -1);
    EXPECT_EQ(f.uartStopBits, -1);
    EXPECT_EQ(f.uartParity, -1);
    EXPECT_FALSE(f.crcEnabled);

    SetHeldWord(block, 6, 5);
    block[27] = 0x0C;  // three stop bits do not exist; bit 7 is ignored
    DecodeGeneralBlock(block, &f);
    EXPECT_EQ(f.fieldbusType, -1);
    EXPECT_EQ(f.uartStopBits, -1);
    EXPECT_EQ(f.uartParity, 0);
}

TEST(GeneralBlock, EncodeWritesOnlyTheBuiltBytes) {
    std::vector<uint8_t> block(kGeneralBlockSize, 0xEE);
    GeneralFields f;
    f.switchCoding = 1;
    f.offline = 2;
    f.idle = -1;
    f.interruptMask = 0x0301;
    f.spi = true;
    f.cpha = 1;
    f.cpol = -1;
    f.frameInterval = 0x1170;
    f.uartBaud = -1;
    f.uartStopBits = 0;
    f.uartParity = 2;
    f.modbusAddress = 0x1234;
    f.watchdog = 0xABCD;
    for (int i = 0; i < kFaultValueCount; ++i) f.faultValues[i] = static_cast<uint8_t>(0x40 + i);
    EncodeGeneralBlock(f, block.data());

    const uint8_t expected[36] = {
        0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,  // 0-9 kept
        0x01, 0x00, 0x02, 0x00, 0xFF, 0x00,                          // coding, actions
        0x01, 0x03,                                                  // mask
        0xEE, 0xEE,                                                  // events kept
        0x00, 0x00, 0x01, 0xFF,                                      // SPI, cpha, cpol
        0x70, 0x11,                                                  // frame interval
        0xFF, 0x86,                                                  // baud, format
        0x34, 0x12,                                                  // Modbus address
        0xEE, 0xEE,                                                  // CRC kept
        0xCD, 0xAB,                                                  // watchdog
        0x40, 0x41,
    };
    for (size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(block[i], expected[i]) << "byte " << i;
    EXPECT_EQ(block[61], 0x40 + 27);

    f.spi = false;
    EncodeGeneralBlock(f, block.data());
    EXPECT_EQ(block[20], 0x01);
    EXPECT_EQ(block[21], 0x00);
}

// ---- fieldbus block --------------------------------------------------------

TEST(FieldbusBlock, StatusIndexBySignificantBits) {
    const struct {
        uint16_t status;
        int index;
    } cases[] = {
        {0x0000, 0},  {0x0001, 1},  {0x0002, 2},  {0x0003, 2},  {0x0004, 3},
        {0x000F, 4},  {0x0010, 5},  {0x0030, 6},  {0x0040, 7},  {0x00FF, 8},
        {0x0100, 9},  {0x0200, 10}, {0x0400, 11}, {0x0800, 12}, {0x1000, 13},
        {0x2000, 14}, {0x3FFF, 14}, {0x4000, -1}, {0x8000, -1}, {0xFFFF, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(FieldbusStatusIndex(c.status), c.index) << c.status;
}

TEST(FieldbusBlock, NodeAddressNotation) {
    EXPECT_EQ(FormatNodeAddress(0x0025, 0), "25");
    EXPECT_EQ(FormatNodeAddress(0x0025, 1), "37");
    EXPECT_EQ(FormatNodeAddress(0x00AB, 0), "AB");
    EXPECT_EQ(FormatNodeAddress(0xFFFF, 1), "65535");
    EXPECT_EQ(FormatNodeAddress(0x0025, 7), "37");  // any coding but 0 is binary

    const struct {
        const char* text;
        int coding;
        bool ok;
        uint64_t value;
    } leading[] = {
        {"25", 0, true, 0x25},
        {"25", 1, true, 25},
        {"1a", 0, true, 0x1A},
        {" 1A", 0, true, 0x1A},
        {"0x1A", 0, true, 0x1A},
        {"1a", 1, true, 1},
        {"25x", 1, true, 25},
        {"12g", 0, true, 0x12},
        {"", 0, false, 0},
        {"", 1, false, 0},
        {"g1", 0, false, 0},
        {"-1", 0, false, 0},
        {"+7", 1, true, 7},
        {"-1", 1, true, UINT64_MAX},
        {"-0", 1, true, 0},
        {"12345", 0, true, 0x12345},
        {"99999999999999999999999", 1, true, UINT64_MAX},
    };
    for (const auto& c : leading) {
        uint64_t value = 0;
        EXPECT_EQ(ParseNodeAddress(c.text, c.coding, &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }

    uint64_t value = 0;
    EXPECT_TRUE(ParseNodeAddressText(" 25 ", 0, &value));
    EXPECT_EQ(value, 0x25u);
    EXPECT_FALSE(ParseNodeAddressText("25x", 1, &value));
    EXPECT_FALSE(ParseNodeAddressText("1a", 1, &value));
    EXPECT_FALSE(ParseNodeAddressText("12 3", 0, &value));
    EXPECT_FALSE(ParseNodeAddressText("   ", 0, &value));
}

TEST(FieldbusBlock, ChineseProductNameIsCutWithoutSplittingACharacter) {
    uint8_t block[kFieldbusBlockSize] = {};
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += "中";  // D6 D0 in CP936
    EncodeProductName(sixteen + "文", block);
    EXPECT_EQ(DecodeProductName(block), sixteen);
    EXPECT_EQ(WireWord(block, 32), 0xD0D6);
    EXPECT_EQ(WireWord(block, 62), 0xD0D6);

    std::string fifteen;
    for (int i = 0; i < 15; ++i) fifteen += "中";
    EncodeProductName("A" + sixteen, block);  // 33 bytes: the last character goes whole
    EXPECT_EQ(DecodeProductName(block), "A" + fifteen);
    EXPECT_EQ(block[32 + 1], 'A');
    EXPECT_EQ(block[32], 0xD6);
    EXPECT_EQ(block[62], 0x00);  // character 31 (high byte of the last register)
    EXPECT_EQ(block[63], 0xD0);  // character 30

    const std::string ascii = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    EncodeProductName(ascii, block);
    EXPECT_EQ(DecodeProductName(block), ascii.substr(0, 32));
    EXPECT_EQ(WireWord(block, 32), 0x4241);
}

}  // namespace
