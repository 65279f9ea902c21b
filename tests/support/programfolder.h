#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ccontrolini.h"
#include "tempdir.h"

// A program folder of its own for each test: config.ini there is the
// settings file of the window or page under test.
class ProgramFolder {
public:
    ProgramFolder() { m_ini.SetPath(iniPath()); }

    const std::string& path() const { return m_dir.path(); }
    std::string iniPath() const { return m_dir.file("config.ini"); }
    CControlIni& ini() { return m_ini; }

    void WriteIni(const std::string& text) const {
        std::ofstream(iniPath(), std::ios::binary | std::ios::trunc) << text;
    }
    // Port 1 mapped to `device`, then `rest`.
    void WritePorts(const std::string& device, const std::string& rest = std::string()) const {
        WriteIni("[ports]\r\ncom1=" + device + "\r\n" + rest);
    }
    bool IniExists() const { return std::ifstream(iniPath()).good(); }
    std::string IniBytes() const {
        std::ifstream in(iniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The lines of config.ini without their line ends.
    std::vector<std::string> IniLines() const {
        std::ifstream in(iniPath(), std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    // A value exactly as it stands in the file, blanks included.
    std::string IniRaw(const std::string& section, const std::string& key) const {
        bool inSection = false;
        for (const std::string& line : IniLines()) {
            if (!line.empty() && line[0] == '[')
                inSection = line == "[" + section + "]";
            else if (inSection && line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        }
        return "<absent>";
    }
    // Integer value of a key, or `absent` when it is not there.
    int IniInt(const char* section, const char* key, int absent = -999) const {
        int value = 0;
        return m_ini.ReadInt(section, key, &value) ? value : absent;
    }
    std::string IniText(const char* section, const char* key) const {
        std::string text = "<absent>";
        m_ini.ReadString(section, key, &text);
        return text;
    }
    void CopyStyles(const std::string& stylesDir) const {
        (void)std::system(("cp -r '" + stylesDir + "' '" + path() + "/'").c_str());
    }

private:
    TempDir m_dir;
    CControlIni m_ini;
};
