#include "port_discovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr) return names;
    while (const dirent* entry = readdir(handle)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(handle);
    return names;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return std::string();
    return resolved;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

// First line of a sysfs attribute, without its line end; empty when absent.
std::string Attribute(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return std::string();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return std::string();
    return std::string(target, static_cast<size_t>(n));
}

// A 8250-style driver registers a fixed number of ports whether or not a
// UART answers at their address; those placeholders report type 0
// (PORT_UNKNOWN). Older kernels have no `type` attribute: ask the port.
bool IsUartPlaceholder(const std::string& classEntry, const std::string& node,
                       const std::string& name) {
    const std::string type = Attribute(classEntry + "/type");
    if (!type.empty()) return type == "0";
    if (name.rfind("ttyS", 0) != 0) return false;
    struct stat info {};
    if (stat(node.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const int fd = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EIO || errno == ENXIO || errno == ENODEV;
    serial_struct serial{};
    const bool unknown = ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type == PORT_UNKNOWN;
    close(fd);
    return unknown;
}

// True when dir lies inside top, never top itself: walks up the device
// tree end below the sysfs devices folder.
bool Below(const std::string& dir, const std::string& top) {
    return !top.empty() && dir.size() > top.size() + 1 && dir.compare(0, top.size(), top) == 0 &&
           dir[top.size()] == '/';
}

// The driver that serves the port. Newer kernels put a "serial-base" port
// and controller device between a UART and its tty; their drivers ("port",
// "ctrl") say nothing, the UART's own driver is further up.
std::string DriverOf(const std::string& top, const std::string& deviceDir) {
    for (std::string dir = deviceDir; Below(dir, top); dir = Parent(dir)) {
        if (BaseName(RealPath(dir + "/subsystem")) == "serial-base") continue;
        return BaseName(RealPath(dir + "/driver"));
    }
    return std::string();
}

// The USB strings live on the USB device, a few levels above the tty's
// device (the interface for cdc_acm, the usb-serial port for ftdi_sio).
void ReadUsbAttributes(const std::string& top, const std::string& deviceDir,
                       SerialDeviceInfo* info) {
    for (std::string dir = deviceDir; Below(dir, top); dir = Parent(dir)) {
        if (!Exists(dir + "/idVendor")) continue;
        info->vendorId = Attribute(dir + "/idVendor");
        info->productId = Attribute(dir + "/idProduct");
        info->manufacturer = Attribute(dir + "/manufacturer");
        info->product = Attribute(dir + "/product");
        info->serial = Attribute(dir + "/serial");
        return;
    }
}

// Name order with the trailing number compared as a number.
bool NameBefore(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9') --digits;
        const std::string number = s.substr(digits);
        return std::make_pair(s.substr(0, digits),
                              number.empty() || number.size() > 9 ? -1L : std::stol(number));
    };
    const auto left = split(a);
    const auto right = split(b);
    if (left != right) return left < right;
    return a < b;
}

}  // namespace

DiscoveryRoots DefaultDiscoveryRoots() {
    DiscoveryRoots roots;
    if (const char* dev = std::getenv("QUILLON_DEV_ROOT"); dev != nullptr && *dev != '\0')
        roots.dev = dev;
    if (const char* sys = std::getenv("QUILLON_SYSFS_ROOT"); sys != nullptr && *sys != '\0')
        roots.sys = sys;
    return roots;
}

std::string HostDevicePath(const DiscoveryRoots& roots, const std::string& path) {
    if (path == "/dev") return roots.dev;
    if (path.rfind("/dev/", 0) == 0) return roots.dev + path.substr(4);
    return path;
}

std::vector<SerialDeviceInfo> DiscoverSerialPorts(const DiscoveryRoots& roots) {
    std::vector<SerialDeviceInfo> devices;
    const std::string top = RealPath(roots.sys + "/devices");
    const std::string classDir = roots.sys + "/class/tty";
    for (const std::string& name : DirectoryEntries(classDir)) {
        const std::string entry = classDir + "/" + name;
        // Virtual terminals, the console and pseudo-terminals have no
        // device behind them.
        const std::string deviceDir = RealPath(entry + "/device");
        if (deviceDir.empty()) continue;
        const std::string node = roots.dev + "/" + name;
        if (!Exists(node)) continue;
        if (IsUartPlaceholder(entry, node, name)) continue;

        SerialDeviceInfo info;
        info.name = name;
        info.devicePath = "/dev/" + name;
        info.driver = DriverOf(top, deviceDir);
        ReadUsbAttributes(top, deviceDir, &info);
        devices.push_back(info);
    }

    // udev's links are "../../ttyUSB0"; the first in name order is the one
    // stored, so that a device with several interfaces keeps one choice.
    const std::string byIdDir = roots.dev + "/serial/by-id";
    std::vector<std::string> links = DirectoryEntries(byIdDir);
    std::sort(links.begin(), links.end());
    for (const std::string& link : links) {
        const std::string target = BaseName(LinkTarget(byIdDir + "/" + link));
        for (SerialDeviceInfo& info : devices) {
            if (info.name == target && info.byIdPath.empty())
                info.byIdPath = "/dev/serial/by-id/" + link;
        }
    }

    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
                  return NameBefore(a.name, b.name);
              });
    return devices;
}

int FindSerialDevice(const std::vector<SerialDeviceInfo>& devices, const std::string& path,
                     const DiscoveryRoots& roots) {
    if (path.empty()) return -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (path == devices[i].devicePath || path == devices[i].byIdPath)
            return static_cast<int>(i);
    }
    // Other spellings of the same node: /dev/serial/by-path, own links.
    const std::string resolved = RealPath(HostDevicePath(roots, path));
    if (resolved.empty()) return -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (resolved == RealPath(HostDevicePath(roots, devices[i].devicePath)))
            return static_cast<int>(i);
    }
    return -1;
}

std::string DescribeSerialDevice(const SerialDeviceInfo& device) {
    static const char kSeparator[] = " \xC2\xB7 ";  // " · "
    std::string text = device.name;
    const std::string& what = !device.product.empty() ? device.product : device.driver;
    if (!what.empty()) text += kSeparator + what;
    if (!device.serial.empty()) text += kSeparator + device.serial;
    return text;
}
