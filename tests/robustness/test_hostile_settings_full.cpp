// The full edition starts cleanly on a damaged config.ini, shows the
// documented fallbacks and keeps unrelated keys when it writes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <ostream>

#include "cpropcom.h"
#include "cpropio.h"
#include "cquillondlg.h"
#include "full_harness.h"
#include "messagerecorder.h"

namespace {

struct HostileFile {
    const char* name;
    std::string contents;
};

// GoogleTest prints a parameter in test listings and failures; the name says
// which file it is, where the raw bytes of the struct would not.
void PrintTo(const HostileFile& file, std::ostream* out) {
    *out << file.name;
}

std::vector<HostileFile> HostileFiles() {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37 + 11) & 0xFF);
    return {
        {"BinaryGarbage", garbage},
        {"MegabyteLine", "[com]\r\ncom=" + std::string(1 << 20, '9') + "\r\n[keep]\r\nme=1\r\n"},
        {"NoFinalNewline", "[keep]\r\nme=1\r\n[general]\r\nmodmode=1"},
        {"DuplicateSections", "[general]\r\nmodmode=1\r\n[general]\r\nmodmode=2\r\n[keep]\r\nme=1\r\n"},
        {"NotCp936", "[keep]\r\nme=1\r\n[fieldbus]\r\nproductname=\xFF\xFE\x80\x81\r\n"
                     "addrcfg=\x81\r\n"},
        {"HugeNumbers", "[keep]\r\nme=1\r\n[com]\r\ncom=99999999999\r\nbaudrate=-5\r\n"
                        "[theme]\r\nid=2147483647\r\n[ioprm]\r\ninput=-1\r\noutput=100000\r\n"},
    };
}

class HostileSettings : public ::testing::TestWithParam<HostileFile> {};

TEST_P(HostileSettings, StartsAndKeepsUnrelatedKeysOnClose) {
    ProgramFolder folder;
    folder.WriteIni(GetParam().contents);
    MessageRecorder messages;
    {
        CQuillonDlg dlg(folder.path());
        dlg.show();
        QTest::qWait(1);
        EXPECT_FALSE(dlg.port().IsOpen());
        EXPECT_LE(dlg.ioPage()->inputLength(), 144);
        EXPECT_LE(dlg.ioPage()->outputLength(), 144);
        dlg.close();
    }
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
    if (GetParam().contents.find("[keep]") != std::string::npos) {
        EXPECT_EQ(folder.IniInt("keep", "me"), 1);
    }
    // The window's own keys were written and read back.
    EXPECT_NE(folder.IniInt("theme", "id"), -999);
    EXPECT_NE(folder.IniInt("general", "modmode"), -999);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSettings, ::testing::ValuesIn(HostileFiles()),
                         [](const ::testing::TestParamInfo<HostileFile>& info) {
                             return std::string(info.param.name);
                         });

TEST(HostileSettingsFile, ReadOnlyFileStartsAndStaysUntouched) {
    ProgramFolder folder;
    const std::string before = "[general]\r\nmodmode=2\r\n[theme]\r\nid=1\r\n";
    folder.WriteIni(before);
    ASSERT_EQ(chmod(folder.iniPath().c_str(), 0444), 0);
    {
        CQuillonDlg dlg(folder.path());
        dlg.show();
        EXPECT_EQ(dlg.deviceModeList()->currentIndex(), 2);
        EXPECT_EQ(dlg.theme(), 1);
        dlg.deviceModeList()->setCurrentIndex(0);
        dlg.close();
    }
    EXPECT_EQ(folder.IniBytes(), before);
}

TEST(HostileSettingsFile, SymbolicLinkStaysALinkAndItsTargetIsUpdated) {
    ProgramFolder folder;
    const std::string target = folder.path() + "/shared.ini";
    {
        std::ofstream out(target, std::ios::binary);
        out << "[keep]\r\nme=1\r\n[theme]\r\nid=3\r\n";
    }
    ASSERT_EQ(symlink(target.c_str(), folder.iniPath().c_str()), 0);
    {
        CQuillonDlg dlg(folder.path());
        dlg.show();
        EXPECT_EQ(dlg.theme(), 3);
        dlg.close();
    }
    struct stat info;
    ASSERT_EQ(lstat(folder.iniPath().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    CControlIni ini;
    ini.SetPath(target);
    int value = 0;
    EXPECT_TRUE(ini.ReadInt("keep", "me", &value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(ini.ReadInt("general", "modmode", &value));
}

}  // namespace
