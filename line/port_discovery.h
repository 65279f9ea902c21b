#pragma once

#include <string>
#include <vector>

// Where discovery looks: the device folder and the sysfs root. Tests build
// fake trees and pass their roots; every path handed out is still spelled
// under "/dev", so that what is stored in config.ini stays valid on the real
// system.
struct DiscoveryRoots {
    std::string dev = "/dev";
    std::string sys = "/sys";
};

// The roots of this run: /dev and /sys, unless QUILLON_DEV_ROOT or
// QUILLON_SYSFS_ROOT name others (a test aid, for screenshots and widget
// tests on fake trees).
DiscoveryRoots DefaultDiscoveryRoots();

// A serial device that is present now. Empty strings where sysfs has nothing.
struct SerialDeviceInfo {
    std::string name;          // "ttyUSB0"
    std::string devicePath;    // "/dev/ttyUSB0"
    std::string byIdPath;      // "/dev/serial/by-id/usb-FTDI_...-if00-port0"
    std::string manufacturer;  // USB strings of the adapter
    std::string product;
    std::string serial;
    std::string vendorId;   // "0403"
    std::string productId;  // "6001"
    std::string driver;     // "ftdi_sio", "cdc_acm", "serial8250"
};

// Lists the serial devices present: every tty of /sys/class/tty with a
// device behind it (ttyS, ttyUSB, ttyACM, ttyAMA, ttyXRUSB, ...) and a node
// in the device folder, except UART placeholders (sysfs `type` 0, or
// TIOCGSERIAL PORT_UNKNOWN where sysfs has no type). Sorted by name, numbers
// compared as numbers (ttyUSB2 before ttyUSB10).
std::vector<SerialDeviceInfo> DiscoverSerialPorts(const DiscoveryRoots& roots);

// Where a "/dev/..." path lies under the given roots (other paths as given).
std::string HostDevicePath(const DiscoveryRoots& roots, const std::string& path);

// Index of the device in `devices` that `path` opens (its /dev path, its
// by-id link, or any other link resolving to the same node), or -1.
int FindSerialDevice(const std::vector<SerialDeviceInfo>& devices, const std::string& path,
                     const DiscoveryRoots& roots);

// One line naming a device for lists: "ttyUSB0 · FT232R USB UART · A1B2C3"
// (name, product or else driver, serial number), UTF-8.
std::string DescribeSerialDevice(const SerialDeviceInfo& device);
