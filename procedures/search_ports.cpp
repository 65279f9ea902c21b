#include "search_ports.h"

#include <sys/stat.h>

#include "cserialport.h"
#include "line_address.h"
#include "modulesession.h"
#include "serialscanline.h"

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<ScanPort> SearchPortsFor(int selectedNumber, const PortNumberMap& map,
                                     const DiscoveryRoots& roots) {
    std::vector<ScanPort> ports;
    int selectedDevice = -1;
    if (selectedNumber >= 1 && selectedNumber <= kPortNumberCount &&
        map.paths.size() >= static_cast<size_t>(selectedNumber)) {
        const std::string& path = map.paths[selectedNumber - 1];
        selectedDevice = map.deviceOf[selectedNumber - 1];
        if (IsNetworkLine(path) || Exists(path)) ports.push_back({path, selectedNumber});
    }
    for (size_t d = 0; d < map.devices.size(); ++d) {
        if (static_cast<int>(d) == selectedDevice) continue;
        int number = 0;
        for (int n = kPortNumberCount; n >= 1; --n)
            if (map.deviceOf[n - 1] == static_cast<int>(d)) number = n;
        ports.push_back({HostDevicePath(roots, map.devices[d].devicePath), number});
    }
    return ports;
}

ScanOutcome RunModuleSearch(const std::vector<ScanPort>& ports, int echoMode, ProcedureHook* hook,
                            const std::vector<ExchangeObserver*>& observers) {
    CSerialPort port;
    port.SetEchoMode(static_cast<CSerialPort::EchoMode>(echoMode));
    ModuleSession session(&port);
    for (ExchangeObserver* observer : observers) session.AddObserver(observer);
    SerialScanLine line(&port, &session);
    const ScanOutcome outcome = SearchModule(line, ports, [hook](const ScanProgress& scanTry) {
        if (hook == nullptr) return true;
        ProcedureStep step;
        step.done = scanTry.tryIndex;
        step.total = scanTry.tryCount;
        step.scanTry = &scanTry;
        return hook->BeforeStep(step);
    });
    port.Close();
    return outcome;
}
