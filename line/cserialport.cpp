#include "cserialport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "device_class.h"
#include "line_io.h"
#include "modbustcpline.h"
#include "port_directory.h"
#include "rfc2217line.h"
#include "rtu_frame.h"
#include "tcpline.h"
#include "termiosline.h"

namespace {

// Above this rate the silence between frames is a fixed 1.75 ms.
constexpr int kFixedSilenceAbove = 19200;
constexpr int64_t kFixedSilenceNs = 1750000;
// The largest frame either way, and what Exchange holds at once: an echoed
// request and its answer.
constexpr size_t kMaxFrame = 255;
constexpr size_t kExceptionLength = 5;
constexpr uint8_t kExceptionBit = 0x80;
// The network allowance: a device server's own buffering and turnaround
// (packing timers of 10 to 30 ms are common), four round trips on top, and
// no more than a few seconds whatever the connect measured.
constexpr int kAllowanceBaseMs = 50;
constexpr int kAllowanceRoundTrips = 4;
constexpr int kAllowanceMaxMs = 5000;

// Half bits per character, so that one and a half stop bits stay exact.
int64_t CharacterHalfBits(int dataBits, int stopBits, int parity) {
    int64_t halfBits = 2 * (1 + static_cast<int64_t>(dataBits));
    if (parity >= 1 && parity <= 4) halfBits += 2;
    if (stopBits == 1 || stopBits == 2)
        halfBits += dataBits == 5 ? 3 : 4;  // CSTOPB: 1.5 stop bits at 5 data bits
    else
        halfBits += 2;
    return halfBits;
}

constexpr size_t kUndecided = static_cast<size_t>(-1);

// How many bytes in front of what came back are the echo of the `sent`
// bytes of `request`, as far as `got` bytes tell: kUndecided while they are
// a copy of the request that is not complete yet.
size_t EchoInFront(CSerialPort::EchoState state, const uint8_t* request, size_t sent,
                   const uint8_t* bytes, size_t got) {
    if (state == CSerialPort::EchoState::Present) return sent;
    if (state == CSerialPort::EchoState::Absent) return 0;
    const size_t compared = std::min(got, sent);
    if (std::memcmp(bytes, request, compared) != 0) return 0;
    return got >= sent ? sent : kUndecided;
}

bool IsReadRequest(const uint8_t* request, size_t length) {
    return length >= 2 && (request[1] == 3 || request[1] == 4);
}

std::unique_ptr<LineTransport> OpenNetworkLine(const LineAddress& address,
                                               const LineSettings& settings, int timeoutMs,
                                               const HostLookup& lookup,
                                               SerialOpenFailure* failure) {
    switch (address.kind) {
        case LineKind::RawTcp:
            return TcpLine::Connect(address, timeoutMs, lookup, failure);
        case LineKind::Rfc2217:
            return Rfc2217Line::Connect(address, settings, timeoutMs, lookup, failure);
        case LineKind::ModbusTcp:
            return ModbusTcpLine::Connect(address, timeoutMs, lookup, failure);
        case LineKind::Device:
            break;
    }
    return nullptr;
}

// Only terminals: a settings entry naming a regular file, a folder, a FIFO
// or another kind of character device must never be opened read-write as if
// it were a port. The class is told from sysfs or /proc; only where neither
// can tell is the device opened, and then checked with isatty().
bool RefuseNonTerminal(const std::string& path, SerialOpenFailure* failure) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        failure->reason = OpenReasonForError(errno);
        failure->error = errno;
        return true;
    }
    if (!S_ISCHR(info.st_mode) || CharDeviceClass(info.st_rdev) == DeviceClass::NotTerminal) {
        failure->reason = kOpenNotSerial;
        return true;
    }
    return false;
}

const std::vector<uint8_t> kNoBytes;

}  // namespace

int64_t CharacterTimeNs(int baud, int dataBits, int stopBits, int parity) {
    return CharacterHalfBits(dataBits, stopBits, parity) * 500000000LL / baud;
}

int64_t FrameSilenceNs(int baud, int dataBits, int stopBits, int parity) {
    if (baud > kFixedSilenceAbove) return kFixedSilenceNs;
    // 3.5 characters = 7 half characters.
    return 7 * CharacterHalfBits(dataBits, stopBits, parity) * 250000000LL / baud;
}

int SerialTimeoutMs(int baud) {
    return static_cast<int>(2040000u / static_cast<unsigned>(baud)) + 100;
}

int NetworkAllowanceMs(int64_t roundTripNs) {
    const int64_t roundTripMs = (std::max<int64_t>(roundTripNs, 0) + 999999) / 1000000;
    return static_cast<int>(
        std::min<int64_t>(kAllowanceBaseMs + kAllowanceRoundTrips * roundTripMs, kAllowanceMaxMs));
}

std::string DefaultDevicePathForPort(int portNumber) {
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

CSerialPort::~CSerialPort() {
    Close();
}

int CSerialPort::Open(int portNumber, int baud, int dataBits, int stopBits, int parity, int flow) {
    if (portNumber < 1 && !m_open) {
        m_failure = SerialOpenFailure();
        m_failure.reason = kOpenNoPort;
        return kSerialOpenFailed;
    }
    // A port opened by number takes its echo mode and network allowance
    // from the same settings that name its device.
    if (m_directory != nullptr && !m_open) {
        SetEchoMode(static_cast<EchoMode>(m_directory->EchoModeSetting()));
        m_allowanceSetting = m_directory->NetworkAllowanceSetting();
    }
    const std::string path = m_directory != nullptr ? m_directory->DevicePathForPort(portNumber)
                                                    : DefaultDevicePathForPort(portNumber);
    return OpenDevice(path, baud, dataBits, stopBits, parity, flow);
}

int CSerialPort::Open(int portNumber, int baud) {
    return Open(portNumber, baud, 8, 0, 0, 0);
}

int CSerialPort::OpenDevice(const std::string& path, int baud, int dataBits, int stopBits,
                            int parity, int flow) {
    if (m_open) {
        m_failure = SerialOpenFailure();
        m_failure.reason = kOpenAlreadyOpen;
        m_failure.path = m_path;
        return kSerialAlreadyOpen;
    }
    m_failure = SerialOpenFailure();
    m_failure.path = path;
    if (path.empty()) {
        m_failure.reason = kOpenNoPort;
        return kSerialOpenFailed;
    }
    if (baud <= 0) {
        m_failure.reason = kOpenLineRefused;
        return kSerialOpenFailed;
    }
    LineAddress address;
    if (!ParseLineAddress(path, &address)) {
        m_failure.reason = kOpenBadAddress;
        return kSerialOpenFailed;
    }
    const LineSettings settings{baud, dataBits, stopBits, parity, flow};
    if (address.kind == LineKind::Device) {
        if (RefuseNonTerminal(path, &m_failure)) return kSerialOpenFailed;
        m_line = TermiosLine::Open(path, settings, &m_failure);
    } else {
        m_line = OpenNetworkLine(address, settings, m_connectTimeoutMs, m_lookup, &m_failure);
    }
    if (!m_line) return kSerialOpenFailed;
    m_failure = SerialOpenFailure();

    m_open = true;
    m_kind = address.kind;
    m_path = path;
    m_allowanceMs = 0;
    if (m_kind != LineKind::Device)
        m_allowanceMs = m_allowanceSetting >= 0 ? m_allowanceSetting
                                                : NetworkAllowanceMs(m_line->RoundTripNs());
    ApplyTiming(settings);
    // Another adapter may be behind the same device name now.
    ResetEchoState();
    return kSerialOk;
}

int CSerialPort::ChangeSettings(int baud, int dataBits, int stopBits, int parity, int flow) {
    if (!m_open) return kSerialOpenFailed;
    m_failure = SerialOpenFailure();
    m_failure.path = m_path;
    if (baud <= 0) {
        m_failure.reason = kOpenLineRefused;
        return kSerialOpenFailed;
    }
    const LineSettings settings{baud, dataBits, stopBits, parity, flow};
    if (!m_line->Configure(settings, &m_failure)) {
        if (m_line->IsGone()) Close();
        return kSerialOpenFailed;
    }
    m_failure = SerialOpenFailure();
    ApplyTiming(settings);
    // What the line showed at the old settings says nothing about the new.
    ResetEchoState();
    return kSerialOk;
}

void CSerialPort::ApplyTiming(const LineSettings& settings) {
    m_timeoutMs = SerialTimeoutMs(settings.baud) + m_allowanceMs;
    const bool drives = m_line->DrivesLine();
    m_characterNs = drives ? CharacterTimeNs(settings.baud, settings.dataBits, settings.stopBits,
                                             settings.parity)
                           : 0;
    m_silenceNs = drives ? ::FrameSilenceNs(settings.baud, settings.dataBits, settings.stopBits,
                                            settings.parity)
                         : 0;
    m_lastReceivedNs = 0;
    m_lastSentNs = 0;
    m_lastSilenceWaitNs = 0;
}

void CSerialPort::SetEchoMode(EchoMode mode) {
    m_echoMode = mode;
    ResetEchoState();
}

void CSerialPort::ResetEchoState() {
    switch (m_echoMode) {
        case EchoMode::Always:
            m_echoState = EchoState::Present;
            break;
        case EchoMode::Never:
            m_echoState = EchoState::Absent;
            break;
        default:
            m_echoState = EchoState::Unknown;
            break;
    }
    m_lastEchoLength = 0;
    m_lastCopyUndecided = false;
    m_readSinceOpen = false;
    m_writesRefused = false;
}

bool CSerialPort::NeedsEchoProbe() const {
    if (!m_open) return false;
    if (m_echoMode == EchoMode::Automatic) return m_echoState == EchoState::Unknown;
    return !m_readSinceOpen;
}

const std::vector<uint8_t>& CSerialPort::LastWireRequest() const {
    return m_line ? m_line->WireRequest() : kNoBytes;
}

const std::vector<uint8_t>& CSerialPort::LastWireAnswer() const {
    return m_line ? m_line->WireAnswer() : kNoBytes;
}

void CSerialPort::Close() {
    if (!m_open) return;
    m_open = false;
    m_line.reset();
}

void CSerialPort::SetTimeoutMs(int ms) {
    if (m_open && ms > 0) m_timeoutMs = ms;
}

void CSerialPort::PurgeInput() {
    if (!m_open || IsGone()) return;
    // Bytes still waiting mean the line was busy, and the next request must
    // leave it a silence after them. When they arrived is not known; now is
    // the safe guess.
    if (m_line->Purge()) m_lastReceivedNs = NowNs();
}

void CSerialPort::WaitForSilence() {
    m_lastSilenceWaitNs = 0;
    const int64_t lastActivity = std::max(m_lastReceivedNs, m_lastSentNs);
    if (lastActivity == 0 || m_silenceNs == 0) return;
    const int64_t quietAt = lastActivity + m_silenceNs;
    const int64_t start = NowNs();
    if (start >= quietAt) return;
    timespec due{};
    due.tv_sec = static_cast<time_t>(quietAt / 1000000000LL);
    due.tv_nsec = static_cast<long>(quietAt % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
    }
    m_lastSilenceWaitNs = NowNs() - start;
}

size_t CSerialPort::Write(const uint8_t* bytes, size_t n) {
    if (!m_open || IsGone()) return 0;
    WaitForSilence();
    const int64_t begin = NowNs();
    const int64_t deadline = begin + static_cast<int64_t>(m_timeoutMs) * 1000000LL;
    const size_t written = m_line->Send(bytes, n, deadline);
    // A device's write() returns once the driver holds the bytes; the last
    // of them leaves the line no sooner than one character time each after
    // the first. Over the network the server's line is not ours to time.
    if (written > 0)
        m_lastSentNs = std::max(NowNs(), begin + static_cast<int64_t>(written) * m_characterNs);
    return written;
}

bool CSerialPort::ReadSome(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    if (!m_line->Receive(buffer, got, limit, deadlineNs)) return false;
    m_lastReceivedNs = NowNs();
    return true;
}

size_t CSerialPort::ReadResponse(uint8_t* buffer, size_t expected) {
    if (!m_open || IsGone() || expected == 0) return 0;
    const int64_t deadline = NowNs() + static_cast<int64_t>(m_timeoutMs) * 1000000LL;
    size_t got = 0;
    while (got < expected) {
        // An exception answer is 5 bytes whatever was expected; waiting for
        // more would only add the whole time-out.
        if (got >= kExceptionLength && (buffer[1] & kExceptionBit) != 0) break;
        if (!ReadSome(buffer, &got, expected, deadline)) break;
    }
    return got;
}

size_t CSerialPort::Exchange(const uint8_t* request, size_t requestLength, uint8_t* answer,
                             size_t expected) {
    m_lastEchoLength = 0;
    m_lastCopyUndecided = false;
    if (!m_open || IsGone()) return 0;
    requestLength = std::min(requestLength, kMaxFrame);
    expected = std::min(expected, kMaxFrame);

    // Leftovers of an earlier, late answer must not be taken for this one.
    PurgeInput();
    const size_t sent = Write(request, requestLength);
    // Nothing went out (the line refused it until the time-out): nothing can
    // come back for it.
    if (sent == 0 || expected == 0 || !m_open || IsGone()) return 0;
    // The echo comes back while the request is still going out; the answer's
    // time-out starts only once the request has left.
    const int64_t deadline = m_lastSentNs + static_cast<int64_t>(m_timeoutMs) * 1000000LL;

    uint8_t buffer[2 * kMaxFrame];
    size_t got = 0;
    for (;;) {
        const size_t echo = EchoInFront(m_echoState, request, sent, buffer, got);
        size_t limit = 0;
        if (echo == kUndecided) {
            // Without an echo the answer may end before the copy would: never
            // read past it until the bytes tell which it is.
            const size_t shorter = std::min(sent, expected);
            limit = got < shorter ? shorter : sent;
        } else {
            limit = echo + expected;
            // An exception answer is 5 bytes whatever was expected; waiting
            // for more would only add the whole time-out.
            if (got >= echo + kExceptionLength && (buffer[echo + 1] & kExceptionBit) != 0) break;
        }
        if (got >= limit) break;
        if (!ReadSome(buffer, &got, limit, deadline)) break;
    }

    size_t echo = EchoInFront(m_echoState, request, sent, buffer, got);
    // A copy cut short is no proof of an echo: the bytes count as they are.
    if (echo == kUndecided) echo = 0;
    echo = std::min(echo, got);
    const size_t length = std::min(got - echo, expected);
    std::memcpy(answer, buffer + echo, length);
    m_lastEchoLength = echo;
    std::memcpy(m_lastEcho, buffer, echo);
    LearnEcho(request, sent, buffer, got, echo, answer, length);
    return length;
}

void CSerialPort::LearnEcho(const uint8_t* request, size_t sent, const uint8_t* bytes, size_t got,
                            size_t echo, const uint8_t* answer, size_t length) {
    if (IsReadRequest(request, sent)) {
        m_readSinceOpen = true;
        // A read's answer never starts with the whole request: these bytes
        // are the line's echo, which the setting says is not there.
        if (m_echoMode == EchoMode::Never && got >= sent && std::memcmp(bytes, request, sent) == 0)
            m_writesRefused = true;
    }
    if (m_echoMode != EchoMode::Automatic || m_echoState != EchoState::Unknown) return;
    const bool complete = IsCompleteAnswer(request, sent, answer, length);
    if (echo == sent) {
        // A copy of a read or a function-16 request cannot be its own
        // answer, so it is an echo even with nothing behind it; a copy of
        // a function-6 request can, and needs the answer behind it.
        if (complete || !IsCompleteAnswer(request, sent, request, sent))
            m_echoState = EchoState::Present;
        else
            m_lastCopyUndecided = length == 0;
    } else if (complete) {
        m_echoState = EchoState::Absent;
    }
}
