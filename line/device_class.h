#pragma once

#include <sys/types.h>

#include <string>

// What kind of character device a node is, told without opening it:
// opening some devices has effects of its own (a watchdog is armed by the
// open alone), so a path that is not a terminal must never reach open().
enum class DeviceClass {
    Terminal,     // a tty: serial ports, USB adapters, pseudo-terminals
    NotTerminal,  // any other character device
    Unknown,      // neither sysfs nor /proc could tell
};

// By /sys/dev/char/MAJOR:MINOR/subsystem ("tty" for terminals) where the
// device has such an entry, otherwise by the driver majors and minor ranges
// of /proc/tty/drivers (pseudo-terminal slaves have no sysfs entry).
DeviceClass CharDeviceClass(dev_t device, const std::string& sysRoot = "/sys",
                            const std::string& procRoot = "/proc");
