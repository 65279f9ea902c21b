// Block layouts, list lookups and the network date, without a display.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fieldbus_block.h"
#include "general_block.h"
#include "io_block.h"
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

TEST(NetworkDate, LargeCountsStayOnTheCalendar) {
    // Far beyond the register's 16 bits the leap days outnumber a year of
    // remainder; the date must still be a real one.
    int year = 0, month = 0, day = 0;
    DecodeNetworkDate(146097u * 10u, &year, &month, &day);  // ten 400-year cycles
    EXPECT_EQ(year, 5984);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(day, 1);
    DecodeNetworkDate(146097u * 10u - 1u, &year, &month, &day);
    EXPECT_EQ(year, 5983);
    EXPECT_EQ(month, 12);
    EXPECT_EQ(day, 31);
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

std::vector<uint8_t> Filled(size_t n, uint8_t value) {
    return std::vector<uint8_t>(n, value);
}

TEST(GeneralBlock, DecodesEveryField) {
    uint8_t block[kGeneralBlockSize] = {};
    SetHeldWord(block, 4, 0x0201);
    SetHeldWord(block, 6, 3);
    SetHeldWord(block, 10, 1);
    block[12] = 2;
    block[14] = 1;
    SetHeldWord(block, 16, 0x0201);
    SetHeldWord(block, 18, 0x03FF);
    SetHeldWord(block, 20, 5);
    block[22] = 1;
    block[23] = 0;
    SetHeldWord(block, 24, 0x1170);
    block[26] = 9;
    block[27] = 0x89;
    SetHeldWord(block, 28, 247);
    SetHeldWord(block, 30, 0);
    SetHeldWord(block, 32, 65535);
    for (int i = 0; i < kFaultValueCount; ++i) block[34 + i] = static_cast<uint8_t>(i + 1);

    GeneralFields f;
    DecodeGeneralBlock(block, &f);
    EXPECT_EQ(f.moduleType, 0);
    EXPECT_EQ(f.fieldbusType, 2);  // "JAE 1939"
    EXPECT_EQ(f.switchCoding, 1);
    EXPECT_EQ(f.offline, 2);
    EXPECT_EQ(f.idle, 1);
    EXPECT_EQ(f.interruptMask, 0x0201);
    EXPECT_FALSE(f.spi);
    EXPECT_EQ(f.cpha, 1);
    EXPECT_EQ(f.cpol, 0);
    EXPECT_EQ(f.frameInterval, 0x1170);
    EXPECT_EQ(f.uartBaud, 9);
    EXPECT_EQ(f.uartStopBits, 1);  // "2位"
    EXPECT_EQ(f.uartParity, 1);    // "奇校验"
    EXPECT_EQ(f.modbusAddress, 247);
    EXPECT_TRUE(f.crcEnabled);
    EXPECT_EQ(f.watchdog, 65535);
    EXPECT_EQ(f.faultValues[0], 1);
    EXPECT_EQ(f.faultValues[27], 28);
}

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

TEST(GeneralBlock, UartFormatByte) {
    EXPECT_EQ(EncodeUartFormat(0, 2), 0x86);  // "1位", "偶校验"
    EXPECT_EQ(EncodeUartFormat(1, 0), 0x88);  // "2位", "无校验"
    EXPECT_EQ(EncodeUartFormat(1, 1), 0x89);
    EXPECT_EQ(EncodeUartFormat(-1, 1), 0x81);  // no stop-bits selection: bits 2-3 zero
    EXPECT_EQ(EncodeUartFormat(0, -1), 0xFF);  // no parity selection: the whole byte
}

TEST(GeneralBlock, EncodeWritesOnlyTheBuiltBytes) {
    std::vector<uint8_t> block = Filled(kGeneralBlockSize, 0xEE);
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

TEST(GeneralBlock, DecodeThenEncodeGivesTheBlockBack) {
    uint8_t block[kGeneralBlockSize] = {};
    SetHeldWord(block, 10, 1);
    block[12] = 1;
    block[14] = 2;
    SetHeldWord(block, 16, 0x02AA);
    SetHeldWord(block, 20, 1);
    block[22] = 0;
    block[23] = 1;
    SetHeldWord(block, 24, 40000);
    block[26] = 6;
    block[27] = 0x89;
    SetHeldWord(block, 28, 3);
    SetHeldWord(block, 32, 500);
    for (int i = 0; i < kFaultValueCount; ++i) block[34 + i] = static_cast<uint8_t>(0xF0 - i);
    GeneralFields f;
    DecodeGeneralBlock(block, &f);
    uint8_t rebuilt[kGeneralBlockSize] = {};
    EncodeGeneralBlock(f, rebuilt);
    EXPECT_EQ(std::memcmp(block, rebuilt, sizeof block), 0);
}

TEST(GeneralBlock, StatusLampsAndDeviceMode) {
    uint8_t block[kGeneralBlockSize] = {};
    block[8] = 0xFF;  // the low byte is not part of the display
    block[9] = 0x0A;
    EXPECT_TRUE(StatusLampLit(block, 0));
    EXPECT_FALSE(StatusLampLit(block, 1));
    EXPECT_TRUE(StatusLampLit(block, 2));
    EXPECT_FALSE(StatusLampLit(block, 3));
    block[9] = 0xF5;
    EXPECT_FALSE(StatusLampLit(block, 0));
    EXPECT_TRUE(StatusLampLit(block, 1));
    EXPECT_FALSE(StatusLampLit(block, 2));
    EXPECT_TRUE(StatusLampLit(block, 3));

    EXPECT_EQ(DeviceModeIndexFromBlock(block), 0);
    SetHeldWord(block, 0, 1);
    EXPECT_EQ(DeviceModeIndexFromBlock(block), 1);
    SetHeldWord(block, 0, 2);
    EXPECT_EQ(DeviceModeIndexFromBlock(block), -1);
    SetHeldWord(block, 0, 0x0100);
    EXPECT_EQ(DeviceModeIndexFromBlock(block), -1);
}

TEST(IoBlock, LengthsAreHeldLowByteFirst) {
    uint8_t block[kIoBlockSize] = {};
    SetIoLengthsInBlock(block, 0x0190, 144);
    EXPECT_EQ(block[0], 0x90);
    EXPECT_EQ(block[1], 0x01);
    EXPECT_EQ(block[2], 144);
    EXPECT_EQ(block[3], 0);
    EXPECT_EQ(IoInputLength(block), 0x190);
    EXPECT_EQ(IoOutputLength(block), 144);
    EXPECT_EQ(IoChangeField(block), block + 4);
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
    EXPECT_STREQ(kFieldbusStatusTexts[0], "总线正常");
    EXPECT_STREQ(kFieldbusStatusTexts[1], "警告触发置位");
    EXPECT_STREQ(kFieldbusStatusTexts[6], "缓冲区溢出");
    EXPECT_STREQ(kFieldbusStatusTexts[14], "第一次连接上总线");
}

TEST(FieldbusBlock, ModuleStates) {
    EXPECT_EQ(ModuleStateIndex(0), 0);
    EXPECT_EQ(ModuleStateIndex(4), 1);
    EXPECT_EQ(ModuleStateIndex(5), 2);
    EXPECT_EQ(ModuleStateIndex(127), 3);
    EXPECT_EQ(ModuleStateIndex(2), -1);
    EXPECT_EQ(ModuleStateIndex(1), -1);
    EXPECT_EQ(ModuleStateIndex(128), -1);
    for (int i = 0; i < kModuleStateCount; ++i) {
        EXPECT_EQ(ModuleStateIndex(static_cast<uint16_t>(ModuleStateValue(i))), i);
    }
    EXPECT_EQ(ModuleStateValue(-1), -1);
    EXPECT_EQ(ModuleStateValue(4), -1);
    EXPECT_STREQ(kModuleStateTexts[3], "PreOperational");
    EXPECT_STREQ(kCanBitRateTexts[0], "0：1 Mbps");
    EXPECT_STREQ(kCanBitRateTexts[8], "8：10 kbps");
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

TEST(FieldbusBlock, DeviceIdPieces) {
    uint8_t id[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ParseDeviceId("1 2 3", id);
    EXPECT_EQ(FormatDeviceId(id), "01 02 03 00 ");
    ParseDeviceId("1 2 3 4 5", id);
    EXPECT_EQ(FormatDeviceId(id), "01 02 03 04 ");
    ParseDeviceId("", id);
    EXPECT_EQ(FormatDeviceId(id), "00 00 00 00 ");
    ParseDeviceId("  5a 1FF", id);
    EXPECT_EQ(FormatDeviceId(id), "5A FF 00 00 ");
}

TEST(FieldbusBlock, ProductNameTwoCharactersPerRegister) {
    uint8_t block[kFieldbusBlockSize];
    std::memset(block, 0xEE, sizeof block);
    EncodeProductName("ABC", block);
    EXPECT_EQ(WireWord(block, 32), 0x4241);
    EXPECT_EQ(WireWord(block, 34), 0x0043);
    for (size_t i = 36; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(block[31], 0xEE);
    EXPECT_EQ(block[64], 0xEE);
    EXPECT_EQ(DecodeProductName(block), "ABC");

    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    EncodeProductName(longName, block);
    EXPECT_EQ(DecodeProductName(block), longName.substr(0, 32));
    EXPECT_EQ(WireWord(block, 62), ('5' << 8) | '4');
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
}

TEST(FieldbusBlock, EmergencyData) {
    uint8_t data[4] = {};
    BuildEmergencyData("81 10", "00 01", data);
    EXPECT_EQ(data[0], 0x81);
    EXPECT_EQ(data[1], 0x10);
    EXPECT_EQ(data[2], 0x00);
    EXPECT_EQ(data[3], 0x01);
    BuildEmergencyData("81", "", data);
    EXPECT_EQ(data[0], 0x81);
    EXPECT_EQ(data[1], 0x00);
    EXPECT_EQ(data[2], 0x00);
    EXPECT_EQ(data[3], 0x00);
    BuildEmergencyData("81 10 22 33", "1 2 3", data);
    EXPECT_EQ(data[1], 0x10);
    EXPECT_EQ(data[2], 0x01);
    EXPECT_EQ(data[3], 0x02);
}

TEST(FieldbusBlock, DecodesEveryShownField) {
    uint8_t block[kFieldbusBlockSize] = {};
    SetWireWord(block, 0, 0x0030);
    SetWireWord(block, 2, 127);
    SetWireWord(block, 4, 0x1234);
    SetWireWord(block, 6, 0x0025);
    SetWireWord(block, 8, 0x0026);
    SetWireWord(block, 10, 2);
    SetWireWord(block, 12, 8);
    const uint8_t ids[12] = {0x00, 0x00, 0x01, 0x5A, 1, 2, 3, 4, 0xAB, 0xCD, 0xEF, 0x01};
    std::memcpy(block + 20, ids, sizeof ids);
    EncodeProductName("VX31", block);
    block[64] = 0x81;
    block[65] = 0x10;
    block[66] = 0x00;
    block[67] = 0x01;
    for (size_t i = 0; i < kErrorMessageBytes; ++i) block[68 + i] = static_cast<uint8_t>(i * 3);
    block[92] = 0x77;  // not part of the message

    FieldbusFields f;
    DecodeFieldbusBlock(block, 0, &f);
    EXPECT_EQ(f.fieldbusStatus, 6);
    EXPECT_EQ(f.moduleState, 3);
    EXPECT_EQ(f.nodeAddressConfigured, "25");
    EXPECT_EQ(f.nodeAddressActual, "26");
    EXPECT_EQ(f.bitRateConfigured, 2);
    EXPECT_EQ(f.bitRateActual, 8);
    EXPECT_EQ(f.vendorId, "00 00 01 5A ");
    EXPECT_EQ(f.productCode, "01 02 03 04 ");
    EXPECT_EQ(f.serialNumber, "AB CD EF 01 ");
    EXPECT_EQ(f.emergencyStandard, "81 10 ");
    EXPECT_EQ(f.emergencyCustom, "00 01 ");
    EXPECT_EQ(f.productName, "VX31");
    EXPECT_EQ(f.errorMessage[0], 0);
    EXPECT_EQ(f.errorMessage[23], 69);

    DecodeFieldbusBlock(block, 1, &f);
    EXPECT_EQ(f.nodeAddressConfigured, "37");
    EXPECT_EQ(f.nodeAddressActual, "38");
}

TEST(FieldbusBlock, EncodeKeepsTheBytesItDoesNotBuild) {
    uint8_t block[kFieldbusBlockSize];
    std::memset(block, 0xEE, sizeof block);
    FieldbusEntries e;
    e.password = 0x001F;
    e.nodeAddress = 0x0019;
    e.bitRate = 4;
    e.vendorId = "1 2 3";
    e.productCode = "1 2 3 4 5";
    e.serialNumber = "";
    e.productName = "ABC";
    EncodeFieldbusBlock(e, block);
    const uint8_t expected[64] = {
        0xEE, 0xEE, 0xEE, 0xEE, 0x00, 0x1F, 0x00, 0x19, 0xEE, 0xEE, 0x00, 0x04,
        0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x01, 0x02, 0x03, 0x00,
        0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00, 0x42, 0x41, 0x00, 0x43,
    };
    for (size_t i = 0; i < 36; ++i) EXPECT_EQ(block[i], expected[i]) << "byte " << i;
    for (size_t i = 36; i < 64; ++i) EXPECT_EQ(block[i], 0) << "byte " << i;
    for (size_t i = 64; i < kFieldbusBlockSize; ++i) EXPECT_EQ(block[i], 0xEE) << "byte " << i;
}

}  // namespace
