#include <gtest/gtest.h>
#include <stdlib.h>

#include <set>
#include <string>

#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "core_texts.h"
#include "errno_text.h"
#include "open_failure.h"
#include "text_language.h"
#include "wire_log.h"

namespace {

// Sets the four locale variables for one test and puts them back after it.
class LocaleEnvironment : public ::testing::Test {
protected:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    void SetUp() override {
        for (int i = 0; i < 4; ++i) {
            const char* value = getenv(kNames[i]);
            m_saved[i] = value != nullptr ? value : "";
            m_wasSet[i] = value != nullptr;
            unsetenv(kNames[i]);
        }
    }
    void TearDown() override {
        for (int i = 0; i < 4; ++i) {
            if (m_wasSet[i])
                setenv(kNames[i], m_saved[i].c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
        SetTextLanguage(TextLanguage::Chinese);
    }
    std::string m_saved[4];
    bool m_wasSet[4] = {};
};

TEST_F(LocaleEnvironment, FirstVariableSetDecidesAndOnlyEnglishIsTranslated) {
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::Chinese);  // nothing set
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::English);
    setenv("LC_MESSAGES", "zh_CN.UTF-8", 1);
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::Chinese);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::Chinese);
    setenv("LANGUAGE", "en:zh_CN", 1);
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::English);
    setenv("LANGUAGE", "", 1);  // set but empty counts as unset
    EXPECT_EQ(LanguageFromEnvironment(), TextLanguage::Chinese);

    for (const char* value : {"POSIX", "de_DE.UTF-8", "eng", "fr:en", "zh_TW"})
        EXPECT_EQ(LanguageOfLocale(value), TextLanguage::Chinese) << value;
    for (const char* value : {"en", "en_GB", "en_US.UTF-8", "en@euro", "en_US:de"})
        EXPECT_EQ(LanguageOfLocale(value), TextLanguage::English) << value;

    TextLanguage language = TextLanguage::Chinese;
    EXPECT_TRUE(ParseLanguageOption("en", &language));
    EXPECT_EQ(language, TextLanguage::English);
    EXPECT_TRUE(ParseLanguageOption("zh", &language));
    EXPECT_EQ(language, TextLanguage::Chinese);
    EXPECT_FALSE(ParseLanguageOption("EN", &language));
    EXPECT_FALSE(ParseLanguageOption("", &language));
}

// The "{field}" names of a text.
std::set<std::string> FieldsOf(const std::string& text) {
    std::set<std::string> fields;
    for (size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1))
        fields.insert(text.substr(at, text.find('}', at) - at + 1));
    return fields;
}

// Every core text has both forms, with the same fields in each, so that no
// English user meets a Chinese line and no field is dropped in translation.
TEST(CoreTexts, EveryTextHasBothFormsWithTheSameFields) {
    EXPECT_TRUE(CoreTextTableInOrder());
    for (int i = 0; i < kCoreTextCount; ++i) {
        const std::string chinese = CoreTextIn(static_cast<CoreText>(i), TextLanguage::Chinese);
        const std::string english = CoreTextIn(static_cast<CoreText>(i), TextLanguage::English);
        EXPECT_FALSE(chinese.empty()) << i;
        EXPECT_FALSE(english.empty()) << i;
        for (unsigned char c : english) EXPECT_LT(c, 0xE0) << i << ": " << english;  // no Han
        EXPECT_EQ(FieldsOf(chinese), FieldsOf(english)) << i << ": " << english;
    }
}

TEST(CoreTexts, FillingIsOnePassAndLeavesUnknownFields) {
    EXPECT_EQ(FillText("{a}-{b}-{c}", {{"a", "{b}"}, {"b", "2"}}), "{b}-2-{c}");
    EXPECT_EQ(FillText("{unclosed", {{"unclosed", "x"}}), "{unclosed");
}

TEST_F(LocaleEnvironment, CoreTextsFollowTheLanguageSet) {
    SerialOpenFailure failure;
    failure.reason = kOpenNoDevice;
    failure.path = "/dev/ttyUSB77";
    SetTextLanguage(TextLanguage::English);
    EXPECT_EQ(OpenFailureReasonText(failure),
              "Device /dev/ttyUSB77 not found: is the adapter unplugged? Plug it in and try "
              "again, or choose another port number.");
    const uint8_t read[] = {0x01, 0x03, 0x50, 0x01, 0x00, 0x1F};
    EXPECT_EQ(WireRequestName(read, sizeof read), "Read 0x5001×31 general parameters");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 2, 0),
              "Exception 02 illegal data address");
    EXPECT_EQ(SystemErrorText(EACCES), std::strerror(EACCES));
    SetTextLanguage(TextLanguage::Chinese);
    EXPECT_EQ(WireRequestName(read, sizeof read), "读 0x5001×31 通用参数");
    // The system's words too, where a technician meets them; the C
    // library's for the rest.
    EXPECT_EQ(SystemErrorText(EACCES), "权限不够");
    EXPECT_EQ(HostLookupErrorText(EAI_NONAME), "未知的名称或服务");
    EXPECT_EQ(SystemErrorText(EXDEV), std::strerror(EXDEV));
    failure.reason = kOpenOtherError;
    failure.error = EIO;
    EXPECT_EQ(OpenFailureReasonText(failure), "打开 /dev/ttyUSB77 时出错：输入/输出错误（错误码 5）。");
}

}  // namespace
