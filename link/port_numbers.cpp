#include "port_numbers.h"

#include "ccontrolini.h"
#include "cserialport.h"

namespace {

std::string PortKey(int number) {
    return "com" + std::to_string(number);
}

}  // namespace

PortNumberMap MapPortNumbers(const std::vector<SerialDeviceInfo>& devices, CControlIni* ini,
                             const DiscoveryRoots& roots) {
    PortNumberMap map;
    map.devices = devices;
    map.paths.resize(kPortNumberCount);
    map.deviceOf.assign(kPortNumberCount, -1);
    std::vector<bool> stored(kPortNumberCount, false);
    std::vector<bool> reached(devices.size(), false);

    for (int n = 1; n <= kPortNumberCount; ++n) {
        std::string path;
        stored[n - 1] = ini != nullptr && ini->ReadString("ports", PortKey(n).c_str(), &path) &&
                        !path.empty();
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
        const SerialDeviceInfo& device = devices[d];
        const std::string& path = device.byIdPath.empty() ? device.devicePath : device.byIdPath;
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
    if (device < 0) return text;
    return text + " \xE2\x80\x94 " + DescribeSerialDevice(map.devices[static_cast<size_t>(device)]);
}
