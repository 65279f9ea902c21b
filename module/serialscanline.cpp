#include "serialscanline.h"

#include "cserialport.h"
#include "modulesession.h"

SerialScanLine::SerialScanLine(CSerialPort* port, ModuleSession* session)
    : m_port(port), m_session(session) {}

ScanLine::OpenResult SerialScanLine::Open(const std::string& path, const ScanSettings& settings,
                                          int timeoutMs, std::string* reason) {
    m_port->Close();
    const int status =
        m_port->OpenDevice(path, settings.baud, kScanDataBits, kScanStopBits, settings.parity, 0);
    if (status != kSerialOk) {
        // A rate the adapter cannot make is one setting less to try; every
        // other reason (no device, busy, no permission) holds for them all.
        if (m_port->LastFailure().reason == kOpenLineRefused) return kSettingsRefused;
        if (reason != nullptr) *reason = OpenFailureReasonText(m_port->LastFailure());
        return kPortUnusable;
    }
    m_port->SetTimeoutMs(m_fixedTimeoutMs > 0 ? m_fixedTimeoutMs : timeoutMs);
    m_session->SetPort(m_port);
    return kOpened;
}

bool SerialScanLine::ReadModuleType(uint16_t* type) {
    return m_session->ReadModuleType(type) == kModuleOk;
}

void SerialScanLine::Close() {
    m_port->Close();
}
