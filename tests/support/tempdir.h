#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>

#include <sys/stat.h>

// A fresh folder under /tmp, removed with its contents at the end of scope.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/quillon-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "/tmp";
    }
    ~TempDir() {
        std::string command = "rm -rf '" + m_path + "'";
        if (m_path.rfind("/tmp/quillon-test-", 0) == 0) (void)std::system(command.c_str());
    }
    const std::string& path() const { return m_path; }
    // Path of a file in the folder.
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};
