#include <gtest/gtest.h>

#include "text_codec.h"

namespace {

TEST(TextCodec, ChineseRoundTripsThroughCp936) {
    const std::string utf8 = "修改配置成功!";
    const std::string cp936 = Utf8ToCp936(utf8);
    // Six double-byte characters and one ASCII byte.
    EXPECT_EQ(cp936.size(), 13u);
    EXPECT_EQ(static_cast<unsigned char>(cp936[0]), 0xD0);  // 修 = D0 DE
    EXPECT_EQ(static_cast<unsigned char>(cp936[1]), 0xDE);
    EXPECT_EQ(Cp936ToUtf8(cp936), utf8);
}

TEST(TextCodec, InvalidBytesDecodeToReplacementCharacter) {
    EXPECT_EQ(Cp936ToUtf8(std::string("A\xFF" "B", 3)), "A\xEF\xBF\xBD" "B");
    // A lead byte at the very end is incomplete.
    EXPECT_EQ(Cp936ToUtf8(std::string("A\xD0", 2)), "A\xEF\xBF\xBD");
}

TEST(TextCodec, UnencodableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp936("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji
    EXPECT_EQ(Utf8ToCp936(std::string("a\xC3", 2)), "a?");  // cut UTF-8
}

TEST(TextCodec, TruncationNeverSplitsADoubleByteCharacter) {
    const std::string name = Utf8ToCp936("模块ABC");  // 2 + 2 + 3 bytes
    EXPECT_EQ(TruncateCp936(name, 7), name);
    EXPECT_EQ(TruncateCp936(name, 3), name.substr(0, 2));
    EXPECT_EQ(TruncateCp936(name, 4), name.substr(0, 4));
    EXPECT_EQ(TruncateCp936("ABCDEF", 4), "ABCD");
}

}  // namespace
