#include "rfc2217line.h"

#include "line_io.h"
#include "open_failure.h"

namespace {

using namespace telnet;

// Telnet's COM-port control option (RFC 2217).
constexpr uint8_t kOptionBinary = 0;
constexpr uint8_t kOptionSuppressGoAhead = 3;
constexpr uint8_t kOptionComPort = 44;

constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kPurgeData = 12;
// The server answers command n with n + 100.
constexpr uint8_t kServerReply = 100;
// PURGE-DATA: both the server's receive and its transmit buffer.
constexpr uint8_t kPurgeBoth = 3;

// A driver may round the rate to what its clock divides into.
constexpr double kRateTolerance = 0.02;
constexpr size_t kMaxServerText = 160;
// Reads of a purge before it gives up on a server that never stops sending.
constexpr int kPurgeReads = 64;

// The option's values for our codes: parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space; stop bits 0 = 1, 1 = 1.5, 2 = 2 (anything else: none, 1).
uint8_t ParityValue(int parity) {
    return parity >= 1 && parity <= 4 ? static_cast<uint8_t>(parity + 1) : 1;
}

uint8_t StopSizeValue(int stopBits) {
    switch (stopBits) {
        case 1:
            return 3;
        case 2:
            return 2;
        default:
            return 1;
    }
}

bool RateConfirmed(uint32_t got, int wanted) {
    const double deviation = (static_cast<double>(got) - wanted) / wanted;
    return deviation <= kRateTolerance && deviation >= -kRateTolerance;
}

bool Takes(uint8_t option) {
    return option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
}

bool Accepts(uint8_t option) {
    return option == kOptionBinary || option == kOptionSuppressGoAhead;
}

}  // namespace

Rfc2217Line::Rfc2217Line(int fd, int64_t roundTripNs, int timeoutMs)
    : TcpLine(fd, roundTripNs), m_timeoutMs(timeoutMs) {}

std::unique_ptr<Rfc2217Line> Rfc2217Line::Connect(const LineAddress& address,
                                                  const LineSettings& settings, int timeoutMs,
                                                  const HostLookup& lookup,
                                                  SerialOpenFailure* failure) {
    const int64_t deadline = DeadlineAfterMs(timeoutMs);
    int64_t roundTrip = 0;
    const int fd = ConnectTcp(address.host, address.port, timeoutMs, lookup, failure, &roundTrip);
    if (fd < 0) return nullptr;
    std::unique_ptr<Rfc2217Line> line(new Rfc2217Line(fd, roundTrip, timeoutMs));
    failure->timeoutMs = timeoutMs;
    if (!line->Negotiate(deadline, failure)) return nullptr;
    if (!line->ConfigureBefore(settings, deadline, failure)) return nullptr;
    line->m_serverText.clear();
    return line;
}

bool Rfc2217Line::Negotiate(int64_t deadlineNs, SerialOpenFailure* failure) {
    m_weWill[kOptionBinary] = m_weWill[kOptionSuppressGoAhead] = m_weWill[kOptionComPort] = true;
    m_theyWill[kOptionBinary] = m_theyWill[kOptionSuppressGoAhead] = true;
    SendRaw({kIac, kWill, kOptionBinary, kIac, kDo, kOptionBinary, kIac, kWill,
             kOptionSuppressGoAhead, kIac, kDo, kOptionSuppressGoAhead, kIac, kWill,
             kOptionComPort});
    while (!m_comPortAgreed && !m_comPortRefused) {
        if (Pump(deadlineNs)) continue;
        if (m_gone) return ServerGone(failure);
        failure->reason = kOpenSettingUnconfirmed;
        failure->setting = kLineSettingOption;
        failure->serverSilent = !m_heardServer;
        return false;
    }
    if (m_comPortRefused) {
        failure->reason = kOpenSettingRefused;
        failure->setting = kLineSettingOption;
        return false;
    }
    return true;
}

bool Rfc2217Line::Configure(const LineSettings& settings, SerialOpenFailure* failure) {
    failure->timeoutMs = m_timeoutMs;
    m_serverText.clear();
    return ConfigureBefore(settings, DeadlineAfterMs(m_timeoutMs), failure);
}

bool Rfc2217Line::ConfigureBefore(const LineSettings& settings, int64_t deadlineNs,
                                  SerialOpenFailure* failure) {
    const uint32_t baud = static_cast<uint32_t>(settings.baud);
    const struct {
        uint8_t command;
        LineSettingKind kind;
        uint32_t value;
    } asked[] = {
        {kSetBaudRate, kLineSettingBaud, baud},
        {kSetDataSize, kLineSettingDataBits, static_cast<uint32_t>(settings.dataBits)},
        {kSetParity, kLineSettingParity, ParityValue(settings.parity)},
        {kSetStopSize, kLineSettingStopBits, StopSizeValue(settings.stopBits)},
    };
    for (const auto& setting : asked) {
        m_replies[setting.command] = Reply();
        if (setting.command == kSetBaudRate) {
            SendComPort(kSetBaudRate,
                        {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                         static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)});
        } else {
            SendComPort(setting.command, {static_cast<uint8_t>(setting.value)});
        }
    }
    for (const auto& setting : asked) {
        while (!m_replies[setting.command].seen) {
            if (Pump(deadlineNs)) continue;
            if (m_gone) return ServerGone(failure);
            failure->reason = kOpenSettingUnconfirmed;
            failure->setting = setting.kind;
            failure->asked = setting.value;
            failure->serverSilent = !m_heardServer;
            return false;
        }
        const uint32_t got = m_replies[setting.command].value;
        const bool taken = setting.command == kSetBaudRate ? RateConfirmed(got, settings.baud)
                                                           : got == setting.value;
        if (!taken) {
            failure->reason = kOpenSettingRefused;
            failure->setting = setting.kind;
            failure->asked = setting.value;
            failure->answered = static_cast<int64_t>(got);
            return false;
        }
    }
    PurgeServer(deadlineNs);
    return !m_gone || ServerGone(failure);
}

void Rfc2217Line::PurgeServer(int64_t deadlineNs) {
    if (m_purgeSupported) {
        m_replies[kPurgeData] = Reply();
        SendComPort(kPurgeData, {kPurgeBoth});
        while (!m_replies[kPurgeData].seen) {
            if (Pump(deadlineNs)) continue;
            // No word by then: a server without the purge command. It is not
            // asked again.
            if (!m_gone) m_purgeSupported = false;
            break;
        }
    }
    m_data.clear();
    m_lateBytesPossible = false;
}

bool Rfc2217Line::Purge() {
    bool discarded = !m_data.empty();
    uint8_t chunk[512];
    for (int i = 0; i < kPurgeReads; ++i) {
        const size_t n = ReceiveWaiting(chunk, sizeof chunk);
        if (n == 0) break;
        m_telnet.Parse(chunk, n, this);
        discarded = discarded || !m_data.empty();
        m_data.clear();
    }
    m_data.clear();
    if (m_lateBytesPossible && !m_gone) PurgeServer(DeadlineAfterMs(m_timeoutMs));
    return discarded;
}

size_t Rfc2217Line::Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) {
    std::vector<uint8_t> escaped;
    escaped.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        escaped.push_back(bytes[i]);
        if (bytes[i] == kIac) escaped.push_back(kIac);
    }
    const size_t sent = SocketSend(m_fd, escaped.data(), escaped.size(), deadlineNs, &m_gone);
    if (sent == escaped.size()) return n;
    // Only the bytes whose whole encoding left count as sent.
    size_t whole = 0;
    for (size_t used = 0; whole < n; ++whole) {
        used += bytes[whole] == kIac ? 2 : 1;
        if (used > sent) break;
    }
    return whole;
}

bool Rfc2217Line::Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    while (m_data.empty()) {
        if (Pump(deadlineNs)) continue;
        if (!m_gone) m_lateBytesPossible = true;
        return false;
    }
    while (*got < limit && !m_data.empty()) {
        buffer[(*got)++] = m_data.front();
        m_data.pop_front();
    }
    return true;
}

bool Rfc2217Line::Pump(int64_t deadlineNs) {
    uint8_t chunk[512];
    const size_t n = SocketReceive(m_fd, chunk, sizeof chunk, deadlineNs, &m_gone);
    if (n == 0) return false;
    m_heardServer = true;
    m_telnet.Parse(chunk, n, this);
    return true;
}

void Rfc2217Line::OnData(uint8_t byte) {
    m_data.push_back(byte);
    if (m_serverText.size() < kMaxServerText) m_serverText.push_back(static_cast<char>(byte));
}

void Rfc2217Line::OnOption(uint8_t verb, uint8_t option) {
    // Each side answers only a request that changes an option's state, so
    // that two ends never bounce the same request back and forth.
    switch (verb) {
        case kDo:
            if (option == kOptionComPort) m_comPortAgreed = true;
            if (!Takes(option)) {
                SendRaw({kIac, kWont, option});
            } else if (!m_weWill[option]) {
                m_weWill[option] = true;
                SendRaw({kIac, kWill, option});
            }
            break;
        case kDont:
            if (option == kOptionComPort) m_comPortRefused = true;
            if (m_weWill[option]) {
                m_weWill[option] = false;
                SendRaw({kIac, kWont, option});
            }
            break;
        case kWill:
            // The server's echo above all must stay off: it would send every
            // request back as if it were the module's answer.
            if (!Accepts(option)) {
                SendRaw({kIac, kDont, option});
            } else if (!m_theyWill[option]) {
                m_theyWill[option] = true;
                SendRaw({kIac, kDo, option});
            }
            break;
        case kWont:
            if (m_theyWill[option]) {
                m_theyWill[option] = false;
                SendRaw({kIac, kDont, option});
            }
            break;
        default:
            break;
    }
}

void Rfc2217Line::OnSubnegotiation(const uint8_t* bytes, size_t n) {
    if (n < 2 || bytes[0] != kOptionComPort) return;
    const uint8_t command = bytes[1];
    if (command < kServerReply || command >= kServerReply + 16) return;
    Reply& reply = m_replies[command - kServerReply];
    reply.seen = true;
    reply.value = 0;
    for (size_t i = 2; i < n && i < 6; ++i) reply.value = (reply.value << 8) | bytes[i];
}

void Rfc2217Line::SendRaw(const std::vector<uint8_t>& bytes) {
    (void)SocketSend(m_fd, bytes.data(), bytes.size(), DeadlineAfterMs(m_timeoutMs), &m_gone);
}

void Rfc2217Line::SendComPort(uint8_t command, const std::vector<uint8_t>& value) {
    std::vector<uint8_t> bytes = {kIac, kSb, kOptionComPort, command};
    for (uint8_t b : value) {
        bytes.push_back(b);
        if (b == kIac) bytes.push_back(kIac);
    }
    bytes.push_back(kIac);
    bytes.push_back(kSe);
    SendRaw(bytes);
}

bool Rfc2217Line::ServerGone(SerialOpenFailure* failure) {
    failure->reason = kOpenServerClosed;
    // Keep what the server said in plain text, one line.
    std::string said;
    for (char c : m_serverText) {
        if (c == '\r' || c == '\n') {
            if (!said.empty() && said.back() != ' ') said.push_back(' ');
        } else if (c >= 0x20 && c < 0x7F) {
            said.push_back(c);
        }
    }
    while (!said.empty() && said.back() == ' ') said.pop_back();
    failure->detail = said;
    return false;
}
