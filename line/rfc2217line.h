#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tcpline.h"
#include "telnet_parser.h"

// Telnet with the COM-port control option (RFC 2217): we set the remote
// port's rate, data bits, parity and stop bits, at open and at every change,
// and each counts only once the server has confirmed it. Data bytes 0xFF
// travel doubled. The Telnet options the server asks for are answered:
// binary transmission and suppress-go-ahead are taken, its echo refused.
// Flow control and the modem lines (DTR, RTS) stay as the server has them: a
// server on a pseudo-terminal would never confirm those.
class Rfc2217Line : public TcpLine, private TelnetParser::Listener {
public:
    // Connects, negotiates the option and applies the settings, all within
    // timeoutMs, which also bounds every later change of settings.
    static std::unique_ptr<Rfc2217Line> Connect(const LineAddress& address,
                                                const LineSettings& settings, int timeoutMs,
                                                const HostLookup& lookup,
                                                SerialOpenFailure* failure);

    bool Configure(const LineSettings& settings, SerialOpenFailure* failure) override;
    size_t Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) override;
    bool Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) override;
    bool Purge() override;
    bool SettingsFixedByServer() const override { return false; }

private:
    Rfc2217Line(int fd, int64_t roundTripNs, int timeoutMs);

    // The server's answer to one COM-port command, once it has come.
    struct Reply {
        bool seen = false;
        uint32_t value = 0;
    };

    bool Negotiate(int64_t deadlineNs, SerialOpenFailure* failure);
    bool ConfigureBefore(const LineSettings& settings, int64_t deadlineNs,
                         SerialOpenFailure* failure);
    // Asks the server to drop what it holds and waits for its word, so that
    // nothing sent before that reaches the next answer.
    void PurgeServer(int64_t deadlineNs);
    // Receives once (waiting until the deadline) and takes the bytes apart;
    // false on time-out or once the server has gone.
    bool Pump(int64_t deadlineNs);
    void OnData(uint8_t byte) override;
    void OnOption(uint8_t verb, uint8_t option) override;
    void OnSubnegotiation(const uint8_t* bytes, size_t n) override;
    void SendRaw(const std::vector<uint8_t>& bytes);
    void SendComPort(uint8_t command, const std::vector<uint8_t>& value);
    bool ServerGone(SerialOpenFailure* failure);

    TelnetParser m_telnet;
    std::deque<uint8_t> m_data;
    // Text the server wrote before it closed (a busy server says why).
    std::string m_serverText;
    bool m_heardServer = false;

    bool m_weWill[256] = {};
    bool m_theyWill[256] = {};
    bool m_comPortAgreed = false;
    bool m_comPortRefused = false;
    Reply m_replies[16];

    int m_timeoutMs;
    bool m_purgeSupported = true;
    // A receive gave up before the answer was whole: its rest may still be
    // on the way, and the next purge asks the server too.
    bool m_lateBytesPossible = false;
};
