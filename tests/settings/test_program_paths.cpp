#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "ccontrolini.h"
#include "program_paths.h"
#include "tempdir.h"

namespace {

// A user's environment whose folders all lie in the test's own folder.
class ProgramPathsTest : public ::testing::Test {
protected:
    std::string Make(const std::string& relative) {
        const std::string path = m_dir.file(relative);
        EXPECT_EQ(system(("mkdir -p '" + path + "'").c_str()), 0);
        return path + "/";
    }
    PathEnvironment Env() const {
        PathEnvironment env;
        env.xdgConfigHome = m_dir.file("xdg");
        env.home = m_dir.file("home");
        env.xdgDataDirs = m_dir.file("data1") + ":" + m_dir.file("data2");
        return env;
    }

    TempDir m_dir;
};

TEST_F(ProgramPathsTest, PortableFolderKeepsConfigBesideTheProgram) {
    const std::string folder = Make("portable");
    const ConfigLocation where = ConfigPathFor(folder, Env());
    EXPECT_EQ(where.path, folder + "config.ini");
    EXPECT_FALSE(where.perUser);
    // The trailing slash is optional.
    EXPECT_EQ(ConfigPathFor(m_dir.file("portable"), Env()).path, folder + "config.ini");
}

// A package unpacked into a writable root must not behave as a portable
// copy, nor must /usr/bin when root runs the program.
TEST_F(ProgramPathsTest, InstalledTreeUsesTheUserConfigFolder) {
    const std::string bin = Make("root/usr/bin");
    Make("root/usr/share/quillon/Styles");
    PathEnvironment env = Env();

    ConfigLocation where = ConfigPathFor(bin, env);
    EXPECT_EQ(where.path, m_dir.file("xdg/quillon/config.ini"));
    EXPECT_TRUE(where.perUser);

    // Unset or relative XDG_CONFIG_HOME: ~/.config.
    for (const char* xdg : {"", "relative/config"}) {
        env.xdgConfigHome = xdg;
        where = ConfigPathFor(bin, env);
        EXPECT_EQ(where.path, m_dir.file("home/.config/quillon/config.ini")) << xdg;
        EXPECT_TRUE(where.perUser);
    }
    // No home either: beside the program, where writes fail as they would.
    env.home.clear();
    where = ConfigPathFor(bin, env);
    EXPECT_EQ(where.path, bin + "config.ini");
    EXPECT_FALSE(where.perUser);

    // A config.ini already beside the program is portable use and is kept.
    std::ofstream(bin + "config.ini") << "[theme]\r\nid=1\r\n";
    where = ConfigPathFor(bin, Env());
    EXPECT_EQ(where.path, bin + "config.ini");
    EXPECT_FALSE(where.perUser);
}

TEST_F(ProgramPathsTest, ReadOnlyFolderUsesTheUserConfigFolder) {
    const std::string folder = Make("readonly");
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const auto perUser = [&] {
        const ConfigLocation where = ConfigPathFor(folder, Env());
        return where.perUser && where.path == m_dir.file("xdg/quillon/config.ini");
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(perUser());
        return;
    }
    // Root writes anywhere: ask as an ordinary user, in a child process.
    ASSERT_EQ(chmod(m_dir.path().c_str(), 0755), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool asUser = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(!asUser ? 2 : perUser() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not become an ordinary user";
}

TEST_F(ProgramPathsTest, SkinsBesideTheProgramThenInstalledTreeThenDataFolders) {
    const std::string bin = Make("root/usr/bin");
    const std::vector<std::string> expected = {
        bin + "Styles/", m_dir.file("root/usr/share/quillon/Styles/"),
        m_dir.file("data1/quillon/Styles/"), m_dir.file("data2/quillon/Styles/")};
    EXPECT_EQ(SkinFolderCandidates(bin, Env()), expected);

    // Nothing there: the first candidate, so that the plain look stays.
    EXPECT_EQ(SkinFolderFor(bin, Env()), expected[0]);
    Make("data2/quillon/Styles");
    EXPECT_EQ(SkinFolderFor(bin, Env()), expected[3]);
    Make("root/usr/share/quillon/Styles");
    EXPECT_EQ(SkinFolderFor(bin, Env()), expected[1]);
    Make("root/usr/bin/Styles");
    EXPECT_EQ(SkinFolderFor(bin, Env()), expected[0]);

    // Unset XDG_DATA_DIRS means /usr/local/share and /usr/share; /usr/bin's
    // own tree is tried once.
    PathEnvironment env = Env();
    env.xdgDataDirs.clear();
    EXPECT_EQ(SkinFolderCandidates("/usr/bin/", env),
              (std::vector<std::string>{"/usr/bin/Styles/", "/usr/share/quillon/Styles/",
                                        "/usr/local/share/quillon/Styles/"}));
}

TEST_F(ProgramPathsTest, PerUserFileCreatesItsFolderOnTheFirstWriteOnly) {
    const std::string path = m_dir.file("xdg/quillon/config.ini");
    CControlIni ini;
    ini.SetPath(path, true);
    int value = 5;
    EXPECT_FALSE(ini.ReadInt("theme", "id", &value));
    EXPECT_EQ(access(m_dir.file("xdg").c_str(), F_OK), -1) << "reading creates nothing";

    ASSERT_TRUE(ini.WriteInt("theme", "id", 3));
    EXPECT_TRUE(ini.ReadInt("theme", "id", &value));
    EXPECT_EQ(value, 3);
    for (const char* folder : {"xdg", "xdg/quillon"}) {
        struct stat info;
        ASSERT_EQ(stat(m_dir.file(folder).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }

    // A file in the place of the folder fails the write and stays.
    std::ofstream(m_dir.file("blocked")) << "x";
    ini.SetPath(m_dir.file("blocked/config.ini"), true);
    EXPECT_FALSE(ini.WriteInt("theme", "id", 3));
}

}  // namespace
