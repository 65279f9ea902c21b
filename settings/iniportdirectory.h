#pragma once

#include <string>

#include "port_directory.h"

class CControlIni;

// The echo mode stored as [com] echo= (0 automatic, 1 never, 2 always; any
// other value or none is automatic). ini may be null.
int EchoModeSetting(const CControlIni* ini);

// [com] netallowance= (ms, 0..60000) that a network line adds to the
// answer's time-out; -1 (measure it) when absent or out of range.
int NetworkAllowanceSetting(const CControlIni* ini);

// Device that port number n stands for: [ports] com<n> of config.ini when set
// and non-empty, otherwise /dev/ttyS<n-1>. ini may be null.
std::string DevicePathForPort(int portNumber, const CControlIni* ini);

// The port numbering of a config.ini, as the line asks for it.
class IniPortDirectory : public PortDirectory {
public:
    explicit IniPortDirectory(const CControlIni* ini) : m_ini(ini) {}
    std::string DevicePathForPort(int portNumber) const override;
    int EchoModeSetting() const override;
    int NetworkAllowanceSetting() const override;

private:
    const CControlIni* m_ini;
};
