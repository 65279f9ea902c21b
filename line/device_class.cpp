#include "device_class.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return std::string();
    return std::string(target, static_cast<size_t>(n));
}

std::string LastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParseNumber(const std::string& text, unsigned* value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = static_cast<unsigned>(std::stoul(text));
    return true;
}

// "serial  /dev/ttyS  4 64-111  serial": the major, then a minor or a minor
// range.
bool DriverCovers(const std::string& line, unsigned major, unsigned minor) {
    std::istringstream fields(line);
    std::string name, node, majorText, minors;
    if (!(fields >> name >> node >> majorText >> minors)) return false;
    const size_t dash = minors.find('-');
    unsigned driverMajor = 0, low = 0, high = 0;
    if (!ParseNumber(majorText, &driverMajor) || !ParseNumber(minors.substr(0, dash), &low))
        return false;
    if (dash == std::string::npos)
        high = low;
    else if (!ParseNumber(minors.substr(dash + 1), &high))
        return false;
    return driverMajor == major && minor >= low && minor <= high;
}

}  // namespace

DeviceClass CharDeviceClass(dev_t device, const std::string& sysRoot, const std::string& procRoot) {
    const unsigned major = ::major(device);
    const unsigned minor = ::minor(device);
    const std::string entry =
        sysRoot + "/dev/char/" + std::to_string(major) + ":" + std::to_string(minor);
    struct stat info {};
    if (lstat(entry.c_str(), &info) == 0) {
        const std::string subsystem = LastComponent(LinkTarget(entry + "/subsystem"));
        if (!subsystem.empty())
            return subsystem == "tty" ? DeviceClass::Terminal : DeviceClass::NotTerminal;
    }
    std::ifstream drivers(procRoot + "/tty/drivers");
    if (!drivers) return DeviceClass::Unknown;
    std::string line;
    while (std::getline(drivers, line))
        if (DriverCovers(line, major, minor)) return DeviceClass::Terminal;
    return DeviceClass::NotTerminal;
}
