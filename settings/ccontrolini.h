#pragma once

#include <string>
#include <utility>
#include <vector>

// Accessor of config.ini, the one settings file of a program.
//
// Behaves like the private-profile functions: section and key names match
// case-insensitively, spaces around keys and values are ignored on reading,
// a missing file, section or key reads as absent, the first write creates
// them, and a write replaces the value in place keeping every other line
// (comments, blank lines, order, line endings). Values are stored as CP936
// bytes; text crosses this interface as UTF-8. Every write replaces the file
// atomically (temporary file in the same folder, flushed, renamed), so a
// failed write leaves the previous file whole. A path that is no regular
// file (a FIFO, a device) reads as a missing file and is never written.
class CControlIni {
public:
    CControlIni() = default;

    // createFolder: a write first creates the file's missing folders with
    // mode 0700, as the per-user configuration folder needs; otherwise a
    // missing folder fails the write.
    void SetPath(const std::string& path, bool createFolder = false) {
        m_path = path;
        m_createFolder = createFolder;
    }
    const std::string& Path() const { return m_path; }

    // Sets *value to 0 first; true when the key holds a non-empty value. The
    // value is its leading decimal integer (optional sign); a text without
    // one ("abc") gives 0.
    bool ReadInt(const char* section, const char* key, int* value) const;
    // True when the key holds a non-empty value; *text (UTF-8) is replaced
    // then and left as it was otherwise. Values longer than 1023 bytes are cut.
    bool ReadString(const char* section, const char* key, std::string* text) const;
    // Every key line of the section (the first section of that name), in
    // file order, each value as ReadString reads it ("" where it is empty),
    // in one reading of the file. Where a key stands twice the first one is
    // what ReadString sees. False when the file or the section is missing.
    bool ReadSection(const char* section,
                     std::vector<std::pair<std::string, std::string>>* entries) const;
    // True when the file was written.
    bool WriteInt(const char* section, const char* key, int value);
    // CR, LF and NUL in the text are written as spaces so that a value can
    // never split a line.
    bool WriteString(const char* section, const char* key, const std::string& text);
    // What ReadString gives back after WriteString of text: characters that
    // CP936 lacks come back as '?', so such a text never reads back as it was.
    static std::string ReadBackForm(const std::string& text);

private:
    std::string m_path;
    bool m_createFolder = false;
};

// Folder of the running executable, with a trailing '/'; empty when unknown.
std::string ExecutableFolder();
