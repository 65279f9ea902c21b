#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "hexbytes.h"

namespace {

TEST(FormatHexBytes, FormatsEachByteWithTrailingSpace) {
    const uint8_t bytes[] = {0x01, 0xAB, 0x00};
    EXPECT_EQ(FormatHexBytes(bytes, 2), "01 AB ");
    EXPECT_EQ(FormatHexBytes(bytes, 3), "01 AB 00 ");
    EXPECT_EQ(FormatHexBytes(bytes, 0), "");
}

TEST(FormatHexBytes, FaultValuesOneToTwentyEightTake84Characters) {
    uint8_t values[28];
    for (int i = 0; i < 28; ++i) values[i] = static_cast<uint8_t>(i + 1);
    const std::string text = FormatHexBytes(values, 28);
    EXPECT_EQ(text.size(), 84u);
    EXPECT_EQ(text.substr(0, 9), "01 02 03 ");
    EXPECT_EQ(text.substr(81), "1C ");
}

TEST(ParseHexBytes, SkipsRunsOfSpacesAndCountsEveryToken) {
    uint8_t out[2] = {0xEE, 0xEE};
    EXPECT_EQ(ParseHexBytes("  1a  2B  ff ", out, 2), 3);
    EXPECT_EQ(out[0], 0x1A);
    EXPECT_EQ(out[1], 0x2B);
}

struct TokenCase {
    const char* text;
    uint8_t expected;
};

// Test listings and failures name a case by its token.
void PrintTo(const TokenCase& c, std::ostream* out) {
    *out << c.text;
}

class HexToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(HexToken, KeepsLowEightBitsOfHexPrefix) {
    uint8_t out[1] = {0xEE};
    EXPECT_EQ(ParseHexBytes(GetParam().text, out, 1), 1);
    EXPECT_EQ(out[0], GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Tokens, HexToken,
                         ::testing::Values(TokenCase{"0A", 0x0A}, TokenCase{"a", 0x0A},
                                           TokenCase{"00A", 0x0A}, TokenCase{"10a", 0x0A},
                                           TokenCase{"zz", 0x00}, TokenCase{"1g", 0x01},
                                           TokenCase{"FFFFFFFFFF", 0xFF},
                                           TokenCase{"01,02", 0x01}));

TEST(ParseHexBytes, ClearsDestinationAndIgnoresTabsAsSeparators) {
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(ParseHexBytes("01\t02", out, 4), 1);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(ParseHexBytes("", out, 4), 0);
    EXPECT_EQ(out[0], 0);
}

TEST(ParseHexList, StoresAtMostCapacity) {
    std::string text;
    for (int i = 0; i < 150; ++i) text += "5A ";
    std::vector<uint8_t> area(144, 0);
    EXPECT_EQ(ParseHexList(text, area.data(), area.size()), 144u);
    EXPECT_EQ(area[143], 0x5A);

    uint8_t fault[28];
    EXPECT_EQ(ParseHexList("  1 2   3", fault, 28), 3u);
    EXPECT_EQ(fault[2], 3);
    for (int i = 3; i < 28; ++i) EXPECT_EQ(fault[i], 0);
}

TEST(ParseHexNumber, ReadsLeadingDigitsOnly) {
    EXPECT_EQ(ParseHexNumber("1f"), 0x1Fu);
    EXPECT_EQ(ParseHexNumber("12g"), 0x12u);
    EXPECT_EQ(ParseHexNumber("12345"), 0x12345u);
    EXPECT_EQ(ParseHexNumber(""), 0u);
    EXPECT_EQ(ParseHexNumber("x12"), 0u);
}

TEST(ParseLeadingInt, ReadsLikeAtoiAndTellsWhetherDigitsCame) {
    bool ok = false;
    EXPECT_EQ(ParseLeadingInt("4abc", &ok), 4);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseLeadingInt("abc", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ParseLeadingInt("  -12", &ok), -12);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseLeadingInt("614400 "), 614400);
    EXPECT_EQ(ParseLeadingInt("99999999999999"), 2147483647);
    EXPECT_EQ(ParseLeadingInt("-99999999999999"), -2147483647 - 1);
}

}  // namespace
