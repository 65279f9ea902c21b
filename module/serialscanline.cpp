#include "serialscanline.h"

#include "cserialport.h"
#include "modulesession.h"

SerialScanLine::SerialScanLine(CSerialPort* port, ModuleSession* session)
    : m_port(port), m_session(session) {}

ScanLine::OpenResult SerialScanLine::Open(const std::string& path, const ScanSettings& settings,
                                          int timeoutMs, std::string* reason) {
    int status = kSerialOpenFailed;
    if (m_port->IsOpen() && m_port->Kind() == LineKind::Rfc2217 && m_port->DevicePath() == path) {
        // A new connection for every try would cost a connect and a Telnet
        // negotiation each, and a server may still hold the last one.
        status =
            m_port->ChangeSettings(settings.baud, kScanDataBits, kScanStopBits, settings.parity, 0);
    } else {
        m_port->Close();
        status = m_port->OpenDevice(path, settings.baud, kScanDataBits, kScanStopBits,
                                    settings.parity, 0);
    }
    if (status != kSerialOk) {
        // A rate the adapter cannot make is one setting less to try; every
        // other reason (no device, busy, no permission, no server) holds for
        // them all.
        const SerialOpenFailure& failure = m_port->LastFailure();
        if (failure.reason == kOpenLineRefused ||
            (failure.reason == kOpenSettingRefused && failure.setting != kLineSettingOption))
            return kSettingsRefused;
        if (reason != nullptr) *reason = OpenFailureReasonText(m_port->LastFailure());
        m_port->Close();
        return kPortUnusable;
    }
    // Over the network the answer also has the network to cross.
    m_port->SetTimeoutMs(m_fixedTimeoutMs > 0 ? m_fixedTimeoutMs
                                              : timeoutMs + m_port->NetworkAllowance());
    m_session->SetPort(m_port);
    return kOpened;
}

bool SerialScanLine::ReadModuleType(uint16_t* type) {
    return m_session->ReadModuleType(type) == kModuleOk;
}

void SerialScanLine::Close() {
    if (m_port->Kind() != LineKind::Rfc2217 || m_port->IsGone()) m_port->Close();
}
