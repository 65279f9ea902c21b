#include "ccontrolini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <vector>

#include "atomic_file.h"
#include "hexbytes.h"
#include "regular_file.h"
#include "text_codec.h"

namespace {

constexpr size_t kMaxValueBytes = 1023;

struct Line {
    std::string text;     // without its line ending
    std::string ending;   // "\r\n", "\n" or "" (last line without one)
};

std::vector<Line> SplitLines(const std::string& contents) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find('\n', pos);
        Line line;
        if (end == std::string::npos) {
            line.text = contents.substr(pos);
            pos = contents.size();
        } else {
            size_t textEnd = end;
            if (textEnd > pos && contents[textEnd - 1] == '\r') {
                --textEnd;
                line.ending = "\r\n";
            } else {
                line.ending = "\n";
            }
            line.text = contents.substr(pos, textEnd - pos);
            pos = end + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

// Section name of a header line, or false when the line is none.
bool SectionOf(const std::string& text, std::string* name) {
    const std::string trimmed = Trim(text);
    if (trimmed.size() < 2 || trimmed[0] != '[') return false;
    const size_t close = trimmed.find(']');
    if (close == std::string::npos) return false;
    *name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// Key and value of a key=value line; comment lines are none.
bool KeyOf(const std::string& text, std::string* key, std::string* value) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '[') return false;
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos) return false;
    *key = Trim(trimmed.substr(0, equals));
    if (value) *value = Trim(trimmed.substr(equals + 1));
    return true;
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Where a section and a key stand: the first section of that name and the
// first key of that name in it win, as with the private-profile functions.
struct Location {
    int section = -1;       // header line
    int key = -1;           // key line
    int lastContent = -1;   // last non-blank line of the section
};

Location Locate(const std::vector<Line>& lines, const char* section, const char* key) {
    Location where;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionOf(lines[i].text, &name)) {
            if (inSection) break;
            if (where.section < 0 && SameName(name, section)) {
                inSection = true;
                where.section = static_cast<int>(i);
                where.lastContent = static_cast<int>(i);
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i].text).empty()) where.lastContent = static_cast<int>(i);
        std::string lineKey;
        if (where.key < 0 && KeyOf(lines[i].text, &lineKey, nullptr) && SameName(lineKey, key)) {
            where.key = static_cast<int>(i);
        }
    }
    return where;
}

// Stored bytes of a value (CP936), absent when the key is missing or empty.
bool ReadRaw(const std::string& path, const char* section, const char* key, std::string* raw) {
    std::string contents;
    if (path.empty() || ReadRegularFile(path, &contents) != 0) return false;
    const std::vector<Line> lines = SplitLines(contents);
    const Location where = Locate(lines, section, key);
    if (where.key < 0) return false;
    std::string lineKey;
    std::string value;
    KeyOf(lines[static_cast<size_t>(where.key)].text, &lineKey, &value);
    if (value.empty()) return false;
    if (value.size() > kMaxValueBytes) value = TruncateCp936(value, kMaxValueBytes);
    *raw = value;
    return true;
}

// Creates the folder of `path` and any missing parents with mode 0700.
bool MakeFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string folder = path.substr(0, slash);
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    if (!MakeFolderOf(folder)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string LineEndingOf(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (!line.ending.empty()) return line.ending;
    }
    return "\r\n";
}

std::string Sanitize(const std::string& text) {
    std::string clean = text;
    for (char& c : clean) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return clean;
}

}  // namespace

bool CControlIni::ReadInt(const char* section, const char* key, int* value) const {
    *value = 0;
    std::string raw;
    if (!ReadRaw(m_path, section, key, &raw)) return false;
    *value = ParseLeadingInt(raw);
    return true;
}

bool CControlIni::ReadString(const char* section, const char* key, std::string* text) const {
    std::string raw;
    if (!ReadRaw(m_path, section, key, &raw)) return false;
    *text = Cp936ToUtf8(raw);
    return true;
}

bool CControlIni::ReadSection(const char* section,
                              std::vector<std::pair<std::string, std::string>>* entries) const {
    entries->clear();
    std::string contents;
    if (m_path.empty() || ReadRegularFile(m_path, &contents) != 0) return false;
    const std::vector<Line> lines = SplitLines(contents);
    const Location where = Locate(lines, section, "");
    if (where.section < 0) return false;
    for (size_t i = static_cast<size_t>(where.section) + 1; i < lines.size(); ++i) {
        std::string name;
        if (SectionOf(lines[i].text, &name)) break;
        std::string key;
        std::string value;
        if (!KeyOf(lines[i].text, &key, &value)) continue;
        if (value.size() > kMaxValueBytes) value = TruncateCp936(value, kMaxValueBytes);
        entries->emplace_back(key, Cp936ToUtf8(value));
    }
    return true;
}

std::string CControlIni::ReadBackForm(const std::string& text) {
    std::string value = Trim(Utf8ToCp936(Sanitize(text)));
    if (value.size() > kMaxValueBytes) value = TruncateCp936(value, kMaxValueBytes);
    return Cp936ToUtf8(value);
}

bool CControlIni::WriteInt(const char* section, const char* key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool CControlIni::WriteString(const char* section, const char* key, const std::string& text) {
    if (m_path.empty()) return false;
    if (m_createFolder && !MakeFolderOf(m_path)) return false;
    std::string contents;
    struct stat info;
    if (stat(m_path.c_str(), &info) == 0) {
        // An existing file that cannot be read must not be replaced by a
        // file holding only this key.
        if (ReadRegularFile(m_path, &contents) != 0) return false;
    }
    std::vector<Line> lines = SplitLines(contents);
    const std::string ending = LineEndingOf(lines);
    const std::string value = Utf8ToCp936(Sanitize(text));
    const Location where = Locate(lines, section, key);

    if (where.key >= 0) {
        Line& line = lines[static_cast<size_t>(where.key)];
        const size_t equals = line.text.find('=');
        line.text = line.text.substr(0, equals + 1) + value;
    } else {
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = ending;
        Line entry{std::string(key) + "=" + value, ending};
        if (where.section >= 0) {
            lines.insert(lines.begin() + where.lastContent + 1, entry);
        } else {
            lines.push_back(Line{"[" + std::string(section) + "]", ending});
            lines.push_back(entry);
        }
    }

    std::string output;
    output.reserve(contents.size() + value.size() + 64);
    for (const Line& line : lines) output += line.text + line.ending;
    return ReplaceFileAtomically(m_path, output) == 0;
}

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash + 1);
}
