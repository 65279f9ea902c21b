// Any config.ini contents read without harm, and a write keeps the keys it
// does not touch.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ccontrolini.h"

namespace {

std::string Folder() {
    static std::string folder = [] {
        char pattern[] = "/tmp/quillon-fuzz-ini-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/config.ini";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    close(fd);

    CControlIni ini;
    ini.SetPath(path);
    int before = 0;
    const bool had = ini.ReadInt("com", "com", &before);
    std::string text;
    ini.ReadString("fieldbus", "productname", &text);
    ini.ReadString("ioprm", "inputdata", &text);
    if (text.size() > 4 * 1023) abort();

    if (ini.WriteString("general", "watchdog", std::string(reinterpret_cast<const char*>(data),
                                                           size < 64 ? size : 64))) {
        int after = 0;
        if (ini.ReadInt("com", "com", &after) != had || after != before) abort();
        std::string value;
        ini.ReadString("general", "watchdog", &value);
        if (value.find('\n') != std::string::npos || value.find('\r') != std::string::npos)
            abort();
    }
    return 0;
}
