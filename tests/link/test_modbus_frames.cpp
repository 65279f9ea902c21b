// Known answers for the frame builder, the CRC and the byte helpers. The
// frames and CRCs were produced independently (libmodbus through mbpoll, and
// the CRC-16/MODBUS check value).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frames.h"
#include "modbus_rtu.h"

namespace {

Bytes FrameOf(const ModbusRequest& request) {
    return Bytes(request.frame, request.frame + request.frameLength);
}

struct CrcCase {
    Bytes bytes;
    uint16_t crc;
};

TEST(Crc16Modbus, KnownAnswers) {
    const std::string digits = "123456789";
    EXPECT_EQ(0x4B37, Crc16Modbus(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()));
    EXPECT_EQ(0xFFFF, Crc16Modbus(nullptr, 0));

    const CrcCase cases[] = {
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xCDC5},
        {{0x01, 0x03, 0x50, 0x01, 0x00, 0x10}, 0xC604},
        {{0x01, 0x03, 0x70, 0x43, 0x00, 0x03}, 0xDFEE},
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x02}, 0x0BC4},
        {{0x01, 0x06, 0x50, 0x01, 0x00, 0x03}, 0x0B89},
        {{0x01, 0x10, 0x50, 0x11, 0x00, 0x0F}, 0x08C1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.crc, Crc16Modbus(c.bytes.data(), c.bytes.size()));
}

struct FrameCase {
    const char* name;
    uint8_t function;
    uint32_t start;
    uint32_t quantity;
    Bytes data;
    Bytes frame;
    size_t expected;
};

TEST(BuildFrame, FunctionTable) {
    const FrameCase cases[] = {
        {"31-register read", 3, 0x5001, 31, {}, {0x01, 0x03, 0x50, 0x01, 0x00, 0x1F}, 67},
        {"one-register read", 3, 0x500A, 1, {}, {0x01, 0x03, 0x50, 0x0A, 0x00, 0x01}, 7},
        {"input registers", 4, 0x0010, 2, {}, {0x01, 0x04, 0x00, 0x10, 0x00, 0x02}, 9},
        // Function 6 sends the value, never the quantity.
        {"single write", 6, 0x5001, 1, {0x00, 0x03}, {0x01, 0x06, 0x50, 0x01, 0x00, 0x03}, 8},
        {"two-register write",
         16,
         0x6001,
         2,
         {0x00, 0x10, 0x00, 0x08},
         {0x01, 0x10, 0x60, 0x01, 0x00, 0x02, 0x04, 0x00, 0x10, 0x00, 0x08},
         8},
        // Only the low 16 bits of start and quantity travel.
        {"wide fields", 3, 0x15001, 0x10002, {}, {0x01, 0x03, 0x50, 0x01, 0x00, 0x02}, 0x20009},
        {"unknown function", 0x2B, 0x0E01, 5, {0xAA}, {0x01, 0x2B, 0x0E, 0x01}, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModbusRequest request;
        request.function = c.function;
        request.start = c.start;
        request.quantity = c.quantity;
        ASSERT_TRUE(SetRequestData(request, c.data.data(), c.data.size()));
        ASSERT_TRUE(BuildFrame(request));
        EXPECT_EQ(c.frame, FrameOf(request));
        EXPECT_EQ(c.expected, ExpectedResponseLength(request));
    }
}

TEST(BuildFrame, FifteenRegisterWriteMatchesLibmodbus) {
    ModbusRequest request;
    request.function = 16;
    request.start = 0x5011;
    request.quantity = 15;
    Bytes data = {0x03, 0xE8};
    for (uint8_t v = 0; v <= 13; ++v) {
        data.push_back(0);
        data.push_back(v);
    }
    ASSERT_TRUE(SetRequestData(request, data.data(), data.size()));
    ASSERT_TRUE(BuildFrame(request));

    Bytes expected = {0x01, 0x10, 0x50, 0x11, 0x00, 0x0F, 0x1E};
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(expected, FrameOf(request));
    const Bytes sent = WithCrc(FrameOf(request));
    EXPECT_EQ(0xA3, sent[sent.size() - 2]);
    EXPECT_EQ(0x54, sent[sent.size() - 1]);
}

TEST(BuildFrame, ByteCountKeepsLowEightBits) {
    ModbusRequest request;
    request.function = 16;
    request.start = 0x0001;
    request.quantity = 130;  // 260 bytes announced; only the low 8 bits fit
    const uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_TRUE(SetRequestData(request, data, sizeof data));
    ASSERT_TRUE(BuildFrame(request));
    EXPECT_EQ(11, request.frameLength);
    EXPECT_EQ(260 & 0xFF, request.frame[6]);
}

TEST(BuildFrame, RefusesFramesBeyondTheSendBuffer) {
    ModbusRequest request;
    request.function = 16;
    request.start = 0x0001;
    request.quantity = 123;
    Bytes data(246, 0x5A);
    ASSERT_TRUE(SetRequestData(request, data.data(), data.size()));
    EXPECT_TRUE(BuildFrame(request));  // 7 + 246 = 253 bytes: the largest that fits
    EXPECT_EQ(253, request.frameLength);

    data.push_back(0x5A);
    ASSERT_TRUE(SetRequestData(request, data.data(), data.size()));
    EXPECT_FALSE(BuildFrame(request));
    EXPECT_EQ(0, request.frameLength);
}

TEST(SetRequestData, RefusesMoreThanTheBuffer) {
    ModbusRequest request;
    const Bytes first = {0x12, 0x34};
    ASSERT_TRUE(SetRequestData(request, first.data(), first.size()));
    const Bytes big(256, 0xEE);
    EXPECT_FALSE(SetRequestData(request, big.data(), big.size()));
    EXPECT_EQ(2, request.dataLength);
    EXPECT_EQ(0x12, request.data[0]);
    EXPECT_EQ(0x34, request.data[1]);

    const Bytes full(255, 0x77);
    EXPECT_TRUE(SetRequestData(request, full.data(), full.size()));
    EXPECT_EQ(255, request.dataLength);
}

TEST(BytePairs, SwapInPlaceOnlyWholePairs) {
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(5u, SwapBytePairs(bytes, 5));
    const uint8_t swapped[5] = {2, 1, 4, 3, 5};
    EXPECT_EQ(0, std::memcmp(bytes, swapped, 5));
    EXPECT_EQ(4u, SwapBytePairs(bytes, 4));
    const uint8_t back[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(0, std::memcmp(bytes, back, 5));
}

TEST(BytePairs, CopySwapStopsAtTheSmallerLength) {
    const uint8_t source[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    struct Case {
        size_t limit, count, result;
        std::vector<uint8_t> destination;
    } cases[] = {
        {62, 6, 6, {0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 0xEE, 0xEE}},
        {4, 8, 4, {0x22, 0x11, 0x44, 0x33, 0xEE, 0xEE, 0xEE, 0xEE}},
        // An odd length never takes the byte after it as the other half.
        {8, 5, 5, {0x22, 0x11, 0x44, 0x33, 0xEE, 0xEE, 0xEE, 0xEE}},
        {0, 8, 0, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> destination(8, 0xEE);
        EXPECT_EQ(c.result, CopySwapBytePairs(c.limit, c.count, source, destination.data()));
        EXPECT_EQ(c.destination, destination);
    }
}

}  // namespace
