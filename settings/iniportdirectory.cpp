#include "iniportdirectory.h"

#include "ccontrolini.h"

int EchoModeSetting(const CControlIni* ini) {
    int value = 0;
    if (ini == nullptr || !ini->ReadInt("com", "echo", &value)) return 0;
    return value == 1 || value == 2 ? value : 0;
}

int NetworkAllowanceSetting(const CControlIni* ini) {
    constexpr int kMaxAllowanceMs = 60000;
    int value = -1;
    if (ini == nullptr || !ini->ReadInt("com", "netallowance", &value)) return -1;
    return value >= 0 && value <= kMaxAllowanceMs ? value : -1;
}

std::string DevicePathForPort(int portNumber, const CControlIni* ini) {
    if (ini != nullptr) {
        const std::string key = "com" + std::to_string(portNumber);
        std::string device;
        if (ini->ReadString("ports", key.c_str(), &device) && !device.empty()) return device;
    }
    return DefaultDevicePathForPort(portNumber);
}

std::string IniPortDirectory::DevicePathForPort(int portNumber) const {
    return ::DevicePathForPort(portNumber, m_ini);
}

int IniPortDirectory::EchoModeSetting() const {
    return ::EchoModeSetting(m_ini);
}

int IniPortDirectory::NetworkAllowanceSetting() const {
    return ::NetworkAllowanceSetting(m_ini);
}
