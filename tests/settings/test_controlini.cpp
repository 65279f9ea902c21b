#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bounded.h"
#include "ccontrolini.h"
#include "tempdir.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void Spit(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

int CountEntries(const std::string& folder) {
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') ++count;
        }
        closedir(dir);
    }
    return count;
}

class ControlIni : public ::testing::Test {
protected:
    void SetUp() override { m_ini.SetPath(m_dir.file("config.ini")); }
    std::string Path() const { return m_dir.file("config.ini"); }

    TempDir m_dir;
    CControlIni m_ini;
};

TEST_F(ControlIni, MissingFileReadsAbsentAndCreatesNothing) {
    int value = 7;
    EXPECT_FALSE(m_ini.ReadInt("com", "com", &value));
    EXPECT_EQ(value, 0);
    std::string text = "kept";
    EXPECT_FALSE(m_ini.ReadString("general", "watchdog", &text));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(access(Path().c_str(), F_OK), -1);
}

TEST_F(ControlIni, FirstWriteCreatesFileWithCrlf) {
    ASSERT_TRUE(m_ini.WriteInt("com", "com", 2));
    ASSERT_TRUE(m_ini.WriteInt("com", "baudrate", 2));
    EXPECT_EQ(Slurp(Path()), "[com]\r\ncom=2\r\nbaudrate=2\r\n");
    int value = 0;
    EXPECT_TRUE(m_ini.ReadInt("COM", "BaudRate", &value));
    EXPECT_EQ(value, 2);
}

TEST_F(ControlIni, WriteKeepsEveryOtherLineAndLineEnding) {
    const std::string before =
        "; settings\n[com]\ncom=1\n\n[general]\nmodmode = 2\nwatchdog=100\n\n[theme]\nid=3\n";
    Spit(Path(), before);
    ASSERT_TRUE(m_ini.WriteInt("general", "modmode", 1));
    EXPECT_EQ(Slurp(Path()),
              "; settings\n[com]\ncom=1\n\n[general]\nmodmode =1\nwatchdog=100\n\n[theme]\nid=3\n");
    ASSERT_TRUE(m_ini.WriteString("general", "rtuaddr", "5"));
    EXPECT_EQ(Slurp(Path()),
              "; settings\n[com]\ncom=1\n\n[general]\nmodmode =1\nwatchdog=100\nrtuaddr=5\n\n"
              "[theme]\nid=3\n");
}

TEST_F(ControlIni, ReadsTrimmedValuesAndLeadingIntegers) {
    Spit(Path(), "[com]\r\n  com =  4abc  \r\nbaudrate=abc\r\nflowctrl=\r\n");
    int value = -1;
    EXPECT_TRUE(m_ini.ReadInt("com", "com", &value));
    EXPECT_EQ(value, 4);
    EXPECT_TRUE(m_ini.ReadInt("com", "baudrate", &value));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(m_ini.ReadInt("com", "flowctrl", &value));
    EXPECT_EQ(value, 0);
}

TEST_F(ControlIni, FirstSectionAndFirstKeyWin) {
    Spit(Path(), "[com]\ncom=1\ncom=2\n[COM]\ncom=3\nparity=2\n");
    int value = 0;
    EXPECT_TRUE(m_ini.ReadInt("com", "com", &value));
    EXPECT_EQ(value, 1);
    // A key only in the duplicate section is not seen, as with the
    // private-profile functions.
    EXPECT_FALSE(m_ini.ReadInt("com", "parity", &value));
    ASSERT_TRUE(m_ini.WriteInt("com", "com", 9));
    EXPECT_EQ(Slurp(Path()), "[com]\ncom=9\ncom=2\n[COM]\ncom=3\nparity=2\n");
}

TEST_F(ControlIni, SectionReadsInOneGoWhatReadStringReads) {
    Spit(Path(),
         "[ports]\r\n; comment\r\n COM3 = /dev/ttyUSB0 \r\ncom3=/dev/ttyUSB1\r\n"
         "com4=\r\nname=\xCD\xF8\xB9\xD8\r\n[PORTS]\r\ncom9=/dev/ttyS8\r\n[com]\r\ncom=2\r\n");
    std::vector<std::pair<std::string, std::string>> entries;
    ASSERT_TRUE(m_ini.ReadSection("Ports", &entries));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"COM3", "/dev/ttyUSB0"}, {"com3", "/dev/ttyUSB1"}, {"com4", ""}, {"name", "网关"}};
    EXPECT_EQ(entries, expected);
    std::string text;
    ASSERT_TRUE(m_ini.ReadString("ports", "com3", &text));
    EXPECT_EQ(text, entries[0].second);
    EXPECT_FALSE(m_ini.ReadSection("general", &entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(ControlIni, ChineseValueIsStoredAsCp936) {
    ASSERT_TRUE(m_ini.WriteString("fieldbus", "productname", "网关模块"));
    const std::string raw = Slurp(Path());
    EXPECT_NE(raw.find("productname=\xCD\xF8\xB9\xD8\xC4\xA3\xBF\xE9"), std::string::npos);
    std::string text;
    EXPECT_TRUE(m_ini.ReadString("fieldbus", "productname", &text));
    EXPECT_EQ(text, "网关模块");
}

TEST_F(ControlIni, ValueNeverSplitsALine) {
    ASSERT_TRUE(m_ini.WriteString("fieldbus", "productname", "A\r\n[com]\ncom=9\0x"));
    ASSERT_TRUE(m_ini.WriteString("fieldbus", "productname", std::string("A\nB\0C", 5)));
    std::string text;
    EXPECT_TRUE(m_ini.ReadString("fieldbus", "productname", &text));
    EXPECT_EQ(text, "A B C");
    int value = 0;
    EXPECT_FALSE(m_ini.ReadInt("com", "com", &value));
}

TEST_F(ControlIni, LongValueReadsCutTo1023Bytes) {
    ASSERT_TRUE(m_ini.WriteString("general", "watchdog", std::string(5000, '7')));
    std::string text;
    ASSERT_TRUE(m_ini.ReadString("general", "watchdog", &text));
    EXPECT_EQ(text.size(), 1023u);
}

TEST_F(ControlIni, HostileContentsReadAndWriteWithoutLosingKeys) {
    std::string garbage("\x00\xFF\xFE[\x01]\n=\n[=]\n", 12);
    garbage += std::string(1 << 20, 'x');  // a 1 MB line
    garbage += "\n[com]\ncom=5\n[ioprm]\ninput=3";  // no newline at the end
    Spit(Path(), garbage);
    int value = 0;
    EXPECT_TRUE(m_ini.ReadInt("com", "com", &value));
    EXPECT_EQ(value, 5);
    ASSERT_TRUE(m_ini.WriteInt("ioprm", "output", 4));
    ASSERT_TRUE(m_ini.WriteInt("theme", "id", 1));
    EXPECT_TRUE(m_ini.ReadInt("ioprm", "input", &value));
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(m_ini.ReadInt("ioprm", "output", &value));
    EXPECT_EQ(value, 4);
    EXPECT_TRUE(m_ini.ReadInt("theme", "id", &value));
    EXPECT_EQ(value, 1);
    const std::string after = Slurp(Path());
    EXPECT_EQ(after.compare(0, garbage.size() - 7, garbage, 0, garbage.size() - 7), 0);
}

TEST_F(ControlIni, SymbolicLinkIsKeptAndItsTargetUpdated) {
    const std::string target = m_dir.file("real.ini");
    Spit(target, "[com]\ncom=1\n");
    ASSERT_EQ(symlink(target.c_str(), Path().c_str()), 0);
    ASSERT_TRUE(m_ini.WriteInt("com", "baudrate", 6));
    struct stat info;
    ASSERT_EQ(lstat(Path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Slurp(target), "[com]\ncom=1\nbaudrate=6\n");
}

TEST_F(ControlIni, LinkToNothingGetsItsTargetCreatedAndStaysALink) {
    const std::string target = m_dir.file("real.ini");
    ASSERT_EQ(symlink("real.ini", Path().c_str()), 0);
    ASSERT_TRUE(m_ini.WriteInt("com", "com", 2));
    struct stat info;
    ASSERT_EQ(lstat(Path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Slurp(target), "[com]\r\ncom=2\r\n");
}

TEST_F(ControlIni, NewFileTakesTheUmaskAndAReplacedFileKeepsItsMode) {
    const mode_t previous = umask(027);
    const bool written = m_ini.WriteInt("com", "com", 1);
    umask(previous);
    ASSERT_TRUE(written);
    struct stat info;
    ASSERT_EQ(stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    ASSERT_EQ(chmod(Path().c_str(), 0604), 0);
    ASSERT_TRUE(m_ini.WriteInt("com", "com", 2));
    ASSERT_EQ(stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
}

// A FIFO would block the program until something writes to it; a device is
// no settings file. Both read as a missing file and are never replaced.
TEST_F(ControlIni, FifoOrDeviceReadsAsMissingWithoutBlocking) {
    ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
    EXPECT_EQ(RunBounded([this] {
                  int value = 0;
                  return !m_ini.ReadInt("com", "com", &value) && !m_ini.WriteInt("com", "com", 3);
              }),
              0);
    struct stat info;
    ASSERT_EQ(lstat(Path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    CControlIni device;
    device.SetPath("/dev/null");
    std::vector<std::pair<std::string, std::string>> entries;
    EXPECT_FALSE(device.ReadSection("ports", &entries));
    EXPECT_FALSE(device.WriteInt("com", "com", 3));
}

TEST_F(ControlIni, ReadOnlyFileIsLeftIntact) {
    const std::string before = "[com]\r\ncom=1\r\n";
    Spit(Path(), before);
    ASSERT_EQ(chmod(Path().c_str(), 0444), 0);
    EXPECT_FALSE(m_ini.WriteInt("com", "com", 3));
    EXPECT_EQ(Slurp(Path()), before);
    EXPECT_EQ(CountEntries(m_dir.path()), 1);
}

TEST_F(ControlIni, FailedWriteLeavesOldFileAndNoTemporaryFile) {
    const std::string folder = m_dir.file("ro");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/config.ini";
    const std::string before = "[com]\ncom=1\n";
    Spit(path, before);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    CControlIni ini;
    ini.SetPath(path);
    const bool written = ini.WriteInt("com", "com", 3);
    if (geteuid() == 0) {
        // root writes through folder permissions; the write must then be whole.
        EXPECT_TRUE(written);
        EXPECT_EQ(Slurp(path), "[com]\ncom=3\n");
    } else {
        EXPECT_FALSE(written);
        EXPECT_EQ(Slurp(path), before);
    }
    EXPECT_EQ(CountEntries(folder), 1);
    chmod(folder.c_str(), 0755);
}

TEST_F(ControlIni, UnwritableFolderPathFailsQuietly) {
    CControlIni ini;
    ini.SetPath(m_dir.file("missing/config.ini"));
    EXPECT_FALSE(ini.WriteInt("com", "com", 1));
    CControlIni empty;
    EXPECT_FALSE(empty.WriteInt("com", "com", 1));
}

TEST(ExecutableFolder, EndsWithSlashAndHoldsThisProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(access((folder + "test_settings").c_str(), X_OK), 0);
}

}  // namespace
