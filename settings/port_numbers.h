#pragma once

#include <string>
#include <vector>

#include "port_discovery.h"

class CControlIni;

// Port numbers offered by the port lists: 1 to 255, in that order.
constexpr int kPortNumberCount = 255;

// What each port number opens now, and which present device that is.
struct PortNumberMap {
    std::vector<SerialDeviceInfo> devices;  // present devices, as discovered
    std::vector<std::string> paths;         // [n - 1]: the device number n opens
    std::vector<int> deviceOf;              // [n - 1]: index into devices, or -1
    std::vector<bool> stored;               // [n - 1]: config.ini has an entry for n
    std::vector<int> added;                 // numbers stored by this call, ascending
    bool storeFailed = false;               // config.ini refused a new number
};

// Matches every number to the device it opens ([ports] com<n>, or else
// /dev/ttyS<n-1>) and to the present device that is. Each present device
// that no number reaches gets the lowest free number, stored as
// [ports] com<n> = its by-id path where it has one (so the same adapter keeps
// its number after re-plugging) and that path reads back from config.ini as
// itself, its /dev path otherwise. A number is free
// when it has no [ports] entry and its default /dev/ttyS<n-1> is not a
// present device: a device never gets a second number, and no number ever
// stands for two devices. config.ini is written only for new numbers; with
// ini null nothing is stored or assigned. When a write fails the device
// stays without a number (storeFailed), as it would have none on reopening.
PortNumberMap MapPortNumbers(const std::vector<SerialDeviceInfo>& devices, CControlIni* ini,
                             const DiscoveryRoots& roots);

// Discovers the present devices under roots and maps them (the two above).
PortNumberMap RefreshPortNumbers(CControlIni* ini, const DiscoveryRoots& roots);

// Item text of number n (1..255): "3" when no present device is behind it,
// "3 — ttyUSB0 · FT232R USB UART · A1B2C3" when one is, "7 — rfc2217://
// 10.0.0.20:4001" for a network line. UTF-8; it always starts with the
// number, which is what the item stands for.
std::string PortNumberLabel(const PortNumberMap& map, int number);

// Stores a network line's URL under the lowest free number (as new devices
// get theirs) and returns that number; the number it already has when the
// URL is stored already. 0 when every number is taken, -1 when config.ini
// could not be written.
int StoreNetworkPort(CControlIni* ini, const std::string& url, const DiscoveryRoots& roots);
