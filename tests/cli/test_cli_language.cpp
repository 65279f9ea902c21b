// quillon-cli's own messages in the language of the locale or of --lang,
// and its JSON the same in both.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cli_texts.h"
#include "cliprogram.h"

namespace {

const ::testing::Environment* const kEnglishByDefault =
    ::testing::AddGlobalTestEnvironment(new EnglishMessages);

// Han characters and full-width punctuation take three bytes or more in
// UTF-8; English text has none of them.
bool HasWideCharacters(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0xE0) return true;
    return false;
}

std::set<std::string> Fields(const std::string& text) {
    std::set<std::string> fields;
    for (size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1))
        fields.insert(text.substr(at, text.find('}', at) - at + 1));
    return fields;
}

ProgramRun CliIn(const std::string& locale, std::vector<std::string> args) {
    args.insert(args.begin(), QUILLON_CLI_PROGRAM);
    RunOptions options;
    options.locale = locale;
    return RunProgram(args, options);
}

TEST(CliTexts, EveryTextHasBothFormsWithTheSameFields) {
    EXPECT_TRUE(CliTextTableInOrder());
    for (int i = 0; i < kCliTextCount; ++i) {
        const std::string chinese = CliTextIn(static_cast<CliText>(i), TextLanguage::Chinese);
        const std::string english = CliTextIn(static_cast<CliText>(i), TextLanguage::English);
        EXPECT_FALSE(chinese.empty()) << i;
        EXPECT_FALSE(english.empty()) << i;
        EXPECT_FALSE(HasWideCharacters(english)) << i << ": " << english;
        EXPECT_EQ(Fields(chinese), Fields(english)) << i << ": " << chinese;
    }
}

TEST(CliLanguage, AMissingPortIsExplainedInTheLanguageOfTheLocaleOrOfLang) {
    const std::vector<std::string> info = {"--port", "/dev/ttyUSB77", "info"};
    const ProgramRun english = CliIn("en_US.UTF-8", info);
    EXPECT_EQ(3, english.status);
    EXPECT_NE(std::string::npos,
              english.err.find("quillon-cli: cannot open the port: Device /dev/ttyUSB77 not found"))
        << english.err;
    EXPECT_FALSE(HasWideCharacters(english.err)) << english.err;

    const ProgramRun chinese = CliIn("zh_CN.UTF-8", info);
    EXPECT_EQ(3, chinese.status);
    EXPECT_NE(std::string::npos,
              chinese.err.find("quillon-cli: 无法打开串口：找不到设备 /dev/ttyUSB77"))
        << chinese.err;
    EXPECT_EQ(chinese.err, CliIn("C", info).err);

    EXPECT_EQ(english.err,
              CliIn("zh_CN.UTF-8", {"--lang", "en", "--port", "/dev/ttyUSB77", "info"}).err);
    EXPECT_EQ(chinese.err,
              CliIn("en_US.UTF-8", {"--port", "/dev/ttyUSB77", "--lang=zh", "info"}).err);
}

TEST(CliLanguage, UsageErrorsAreToldInChinese) {
    // Our own checks, those CLI11 calls while it parses, and the framing of
    // CLI11's own complaints.
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--port", "/dev/ttyUSB77", "io", "write", "1", "2", "3"}, "输入字节 3 会被写成 00"},
        {{"--password", "xyz", "set", "fieldbus.node_address=1"},
         "--password 应为 1 到 4 位十六进制数"},
        {{"raed"}, "quillon-cli: 未知命令“raed”：是否要输入“read”？"},
        {{"--parity", "mark", "info"}, "加 --help 运行可查看更多信息。"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = CliIn("zh_CN.UTF-8", c.args);
        EXPECT_EQ(2, run.status) << c.message;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
    }
}

TEST_F(CliProgram, ModuleFailuresAreToldInChineseAndJsonIsTheSameInBoth) {
    RunOptions english, chinese;
    english.locale = "en_US.UTF-8";
    chinese.locale = "zh_CN.UTF-8";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--json", "info"}, {"--json", "read"}}) {
        const ProgramRun inEnglish = Cli(args, english);
        EXPECT_EQ(0, inEnglish.status) << inEnglish.err;
        EXPECT_FALSE(inEnglish.out.empty());
        EXPECT_EQ(inEnglish.out, Cli(args, chinese).out);
    }

    // The group a write names is a person's word; the key stays as the
    // document spells it.
    EXPECT_EQ("fieldbus.node_address: 25 -> 38\n已写入：节点地址\n",
              Cli({"set", "fieldbus.node_address=38"}, chinese).out);

    m_sim.InjectFault(ModuleSimulator::Fault::Silent, 3);
    const ProgramRun run = Cli({"info"}, chinese);
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos,
              run.err.find("quillon-cli: 读取通用参数失败：117 ms 内没有应答（超时）"))
        << run.err;
    EXPECT_NE(std::string::npos, run.err.find("quillon-cli: 请检查线路设置")) << run.err;
}

}  // namespace
