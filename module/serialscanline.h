#pragma once

#include "module_search.h"

class CSerialPort;
class ModuleSession;

// The module search on a real line: opens the caller's port at each setting
// and reads the module type through the caller's session, so that whatever
// observes the session (a wire monitor, a trace) sees the tries too. An
// RFC 2217 connection stays up from one try to the next, which changes only
// the settings through the server; the caller closes the port at the end.
class SerialScanLine : public ScanLine {
public:
    SerialScanLine(CSerialPort* port, ModuleSession* session);

    // A time-out for every try instead of the one the search computes from
    // the rate (0: the computed one), for adapters slower than it allows.
    void SetFixedTimeoutMs(int ms) { m_fixedTimeoutMs = ms; }

    OpenResult Open(const std::string& path, const ScanSettings& settings, int timeoutMs,
                    std::string* reason) override;
    bool ReadModuleType(uint16_t* type) override;
    void Close() override;

private:
    CSerialPort* m_port;
    ModuleSession* m_session;
    int m_fixedTimeoutMs = 0;
};
