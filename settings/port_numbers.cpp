#include "port_numbers.h"

#include <strings.h>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "line_address.h"

namespace {

// " — " between a number and what it leads to.
constexpr const char kLabelDash[] = " \xE2\x80\x94 ";

std::string PortKey(int number) {
    return "com" + std::to_string(number);
}

// The [ports] values by number, read in one go: the list asks for all 255
// at every drop-down. As with ReadString, the first key of a name counts,
// names match case-insensitively and an empty value is no value.
std::vector<std::string> StoredPorts(const CControlIni& ini) {
    std::vector<std::string> stored(kPortNumberCount);
    std::vector<bool> seen(kPortNumberCount, false);
    std::vector<std::pair<std::string, std::string>> entries;
    if (!ini.ReadSection("ports", &entries)) return stored;
    for (const auto& [key, value] : entries) {
        if (key.size() < 4 || key.size() > 6 || strncasecmp(key.c_str(), "com", 3) != 0) continue;
        const std::string digits = key.substr(3);
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits[0] == '0')
            continue;
        const int n = std::stoi(digits);
        if (n > kPortNumberCount || seen[static_cast<size_t>(n - 1)]) continue;
        seen[static_cast<size_t>(n - 1)] = true;
        stored[static_cast<size_t>(n - 1)] = value;
    }
    return stored;
}

// What config.ini keeps for device d: its by-id name, so that the adapter
// keeps its number wherever it is plugged in, unless that name does not
// survive the file's CP936 ("Straße" reads back as "Stra?e" and would never
// find the device again, which would then take a new number at every look).
std::string StoredPathFor(const std::vector<SerialDeviceInfo>& devices, size_t d,
                          const DiscoveryRoots& roots) {
    const SerialDeviceInfo& device = devices[d];
    if (device.byIdPath.empty()) return device.devicePath;
    const std::string readBack = CControlIni::ReadBackForm(device.byIdPath);
    if (FindSerialDevice(devices, readBack, roots) != static_cast<int>(d)) return device.devicePath;
    return device.byIdPath;
}

}  // namespace

PortNumberMap MapPortNumbers(const std::vector<SerialDeviceInfo>& devices, CControlIni* ini,
                             const DiscoveryRoots& roots) {
    PortNumberMap map;
    map.devices = devices;
    map.paths.resize(kPortNumberCount);
    map.deviceOf.assign(kPortNumberCount, -1);
    std::vector<bool>& stored = map.stored;
    stored.assign(kPortNumberCount, false);
    std::vector<bool> reached(devices.size(), false);

    const std::vector<std::string> values =
        ini != nullptr ? StoredPorts(*ini) : std::vector<std::string>(kPortNumberCount);
    for (int n = 1; n <= kPortNumberCount; ++n) {
        const std::string& path = values[static_cast<size_t>(n - 1)];
        stored[n - 1] = !path.empty();
        map.paths[n - 1] = stored[n - 1] ? path : DevicePathForPort(n, nullptr);
        const int device = FindSerialDevice(devices, map.paths[n - 1], roots);
        map.deviceOf[n - 1] = device;
        if (device >= 0) reached[static_cast<size_t>(device)] = true;
    }
    if (ini == nullptr) return map;

    int next = 1;
    for (size_t d = 0; d < devices.size(); ++d) {
        if (reached[d]) continue;
        while (next <= kPortNumberCount && (stored[next - 1] || map.deviceOf[next - 1] >= 0))
            ++next;
        if (next > kPortNumberCount) break;
        const std::string path = StoredPathFor(devices, d, roots);
        if (!ini->WriteString("ports", PortKey(next).c_str(), path)) {
            map.storeFailed = true;
            break;
        }
        stored[next - 1] = true;
        map.paths[next - 1] = path;
        map.deviceOf[next - 1] = static_cast<int>(d);
        map.added.push_back(next);
    }
    return map;
}

PortNumberMap RefreshPortNumbers(CControlIni* ini, const DiscoveryRoots& roots) {
    return MapPortNumbers(DiscoverSerialPorts(roots), ini, roots);
}

std::string PortNumberLabel(const PortNumberMap& map, int number) {
    std::string text = std::to_string(number);
    if (number < 1 || number > static_cast<int>(map.deviceOf.size())) return text;
    const int device = map.deviceOf[static_cast<size_t>(number - 1)];
    const std::string& path = map.paths[static_cast<size_t>(number - 1)];
    if (device < 0 && IsNetworkLine(path)) return text + kLabelDash + path;
    if (device < 0) return text;
    return text + kLabelDash + DescribeSerialDevice(map.devices[static_cast<size_t>(device)]);
}

int StoreNetworkPort(CControlIni* ini, const std::string& url, const DiscoveryRoots& roots) {
    if (ini == nullptr) return -1;
    const PortNumberMap map = RefreshPortNumbers(ini, roots);
    for (int n = 1; n <= kPortNumberCount; ++n)
        if (map.stored[n - 1] && map.paths[n - 1] == url) return n;
    for (int n = 1; n <= kPortNumberCount; ++n) {
        if (map.stored[n - 1] || map.deviceOf[n - 1] >= 0) continue;
        return ini->WriteString("ports", PortKey(n).c_str(), url) ? n : -1;
    }
    return 0;
}
