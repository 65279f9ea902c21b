#pragma once

#include <QCoreApplication>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ccontrolini.h"
#include "tempdir.h"

class CQuillonDlg;

// A program folder of its own for each test: config.ini there is the
// window's settings file.
class ProgramFolder {
public:
    const std::string& path() const { return m_dir.path(); }
    std::string iniPath() const { return m_dir.file("config.ini"); }

    void WriteIni(const std::string& text) const {
        std::ofstream out(iniPath(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string IniBytes() const {
        std::ifstream in(iniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Integer value of a key, or `absent` when it is not there.
    int IniInt(const char* section, const char* key, int absent = -999) const {
        CControlIni ini;
        ini.SetPath(iniPath());
        int value = 0;
        return ini.ReadInt(section, key, &value) ? value : absent;
    }
    // Copies the skin files the build placed beside the programs.
    void CopyStyles() const;

private:
    TempDir m_dir;
};

// One request as the slave received it.
struct Frame {
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t quantityOrValue = 0;
    std::vector<uint8_t> data;  // function 16: the data bytes after the count
    std::vector<uint8_t> raw;
};
Frame ParseFrame(const std::vector<uint8_t>& raw);
std::vector<Frame> ParseFrames(const std::vector<std::vector<uint8_t>>& raws);

// Wire bytes (high byte first) of consecutive register values.
std::vector<uint8_t> WireBytes(const std::vector<uint16_t>& values);

// Lets queued events (repaints, deferred deletes) run.
inline void Settle() { QCoreApplication::processEvents(); }
