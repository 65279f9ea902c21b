#include "cserialport.h"

// termios2 and BOTHER come from the kernel headers; <termios.h> declares a
// different struct termios of the same name, so it must not be included in
// this file. Everything is done with ioctl() instead of the tc* wrappers.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "port_directory.h"
#include "rtu_frame.h"

namespace {

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
// A driver may round the rate to what its clock divides into; more than
// this deviation and the line would not work, so the rate counts as refused.
constexpr double kRateTolerance = 0.02;

int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Above this rate the silence between frames is a fixed 1.75 ms.
constexpr int kFixedSilenceAbove = 19200;
constexpr int64_t kFixedSilenceNs = 1750000;
// The largest frame either way, and what Exchange holds at once: an echoed
// request and its answer.
constexpr size_t kMaxFrame = 255;
constexpr size_t kExceptionLength = 5;
constexpr uint8_t kExceptionBit = 0x80;
// Reads of a purge before it gives up on a line that never stops talking.
constexpr int kPurgeReads = 64;

// Waits for `events` on fd until the absolute monotonic deadline. Returns the
// revents seen, 0 on time-out.
short WaitFor(int fd, short events, int64_t deadlineNs) {
    for (;;) {
        const int64_t left = deadlineNs - NowNs();
        if (left <= 0) return 0;
        timespec wait{};
        wait.tv_sec = static_cast<time_t>(left / 1000000000LL);
        wait.tv_nsec = static_cast<long>(left % 1000000000LL);
        pollfd entry{fd, events, 0};
        const int rc = ppoll(&entry, 1, &wait, nullptr);
        if (rc > 0) return entry.revents;
        if (rc == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

tcflag_t CharacterSizeFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return 0;
    }
}

bool RateTaken(speed_t got, int wanted) {
    const double deviation = (static_cast<double>(got) - wanted) / wanted;
    return deviation <= kRateTolerance && deviation >= -kRateTolerance;
}

// Modem-line requests are best effort: a pseudo-terminal refuses them.
void ClearModemLines(int fd, int lines) {
    (void)ioctl(fd, TIOCMBIC, &lines);
}

// A failed ioctl: what its errno stands for (EINVAL: settings refused).
bool IoctlFailed(SerialOpenFailure* failure) {
    failure->error = errno;
    failure->reason = OpenReasonForError(errno);
    return false;
}

// Fills *failure with what the driver did not take when it returns false.
bool ConfigureLine(int fd, int baud, int dataBits, int stopBits, int parity, int flow,
                   SerialOpenFailure* failure) {
    failure->reason = kOpenLineRefused;
    failure->baud = baud;
    failure->dataBits = dataBits;
    const tcflag_t size = CharacterSizeFlag(dataBits);
    if (size == 0) {
        failure->sizeRefused = true;
        return false;
    }

    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return IoctlFailed(failure);

    // Raw binary line: no line editing, echo, signals, output processing or
    // CR/LF translation. Input parity checking (INPCK) is on for every
    // setting: with parity, a byte that fails its check is read as 0 rather
    // than taken as sent; with no parity it changes nothing.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IUCLC | IXON | IXOFF | IXANY | IMAXBEL);
    tio.c_iflag |= INPCK;
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD);
    tio.c_cflag |= CREAD | CLOCAL | size | BOTHER;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD << IBSHIFT);
    tio.c_cflag |= static_cast<tcflag_t>(BOTHER) << IBSHIFT;
    tio.c_ispeed = static_cast<speed_t>(baud);
    tio.c_ospeed = static_cast<speed_t>(baud);
    // Reads are driven by poll() against our own deadline, never by the
    // driver's 0.1 s VTIME grid. VMIN 1 makes an empty non-blocking read
    // fail with EAGAIN, so that a read of 0 bytes only ever means hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    // 1 and 1.5 stop bits share CSTOPB: at 5 data bits the UART sends 1.5.
    if (stopBits == 1 || stopBits == 2) tio.c_cflag |= CSTOPB;

    switch (parity) {
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
        case 3:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }

    switch (flow) {
        case 1:
            tio.c_iflag |= IXON | IXOFF;
            tio.c_cc[VSTART] = kXon;
            tio.c_cc[VSTOP] = kXoff;
            ClearModemLines(fd, TIOCM_DTR | TIOCM_RTS);
            break;
        case 2:
            // DTR keeps whatever the port had.
            tio.c_cflag |= CRTSCTS;
            break;
        default:
            ClearModemLines(fd, TIOCM_DTR | TIOCM_RTS);
            break;
    }

    if (ioctl(fd, TCSETS2, &tio) != 0) return IoctlFailed(failure);

    struct termios2 check {};
    if (ioctl(fd, TCGETS2, &check) != 0) return IoctlFailed(failure);
    failure->sizeRefused = (check.c_cflag & CSIZE) != size;
    failure->rateRefused = !RateTaken(check.c_ospeed, baud);
    return !failure->sizeRefused && !failure->rateRefused;
}

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
    // A port opened by number takes its echo mode from the same settings
    // that name its device.
    if (m_directory != nullptr && !m_open)
        SetEchoMode(static_cast<EchoMode>(m_directory->EchoModeSetting()));
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
    auto failed = [this](SerialOpenReason reason, int error) {
        m_failure.reason = reason;
        m_failure.error = error;
        return kSerialOpenFailed;
    };
    if (path.empty()) return failed(kOpenNoPort, 0);
    if (baud <= 0) return failed(kOpenLineRefused, 0);

    // Only serial devices: a settings entry naming a regular file, a folder
    // or a FIFO must never be opened read-write as if it were a port.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return failed(OpenReasonForError(errno), errno);
    if (!S_ISCHR(info.st_mode)) return failed(kOpenNotSerial, 0);

    // O_NOCTTY: the module's line must not become our controlling terminal.
    // O_NONBLOCK: every wait is a poll() against our own deadline.
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failed(OpenReasonForError(errno), errno);

    bool usable = false;
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(fd)) {
        failed(kOpenNotSerial, ENOTTY);
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // TIOCEXCL stops further opens by unprivileged programs; the flock
        // also stops privileged ones and other instances of ourselves.
        failed(kOpenBusy, errno);
    } else if (ioctl(fd, TIOCEXCL) != 0) {
        failed(OpenReasonForError(errno), errno);
    } else {
        usable = ConfigureLine(fd, baud, dataBits, stopBits, parity, flow, &m_failure);
        // The exclusive flag is ours to clear only once we set it: after a
        // refused flock it belongs to the program that holds the line.
        if (!usable) (void)ioctl(fd, TIOCNXCL);
    }
    if (!usable) {
        close(fd);
        return kSerialOpenFailed;
    }
    m_failure = SerialOpenFailure();

    m_fd = fd;
    m_open = true;
    m_gone = false;
    m_timeoutMs = SerialTimeoutMs(baud);
    m_path = path;
    m_characterNs = CharacterTimeNs(baud, dataBits, stopBits, parity);
    m_silenceNs = ::FrameSilenceNs(baud, dataBits, stopBits, parity);
    m_lastReceivedNs = 0;
    m_lastSentNs = 0;
    m_lastSilenceWaitNs = 0;
    // Another adapter may be behind the same device name now.
    ResetEchoState();
    return kSerialOk;
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
}

void CSerialPort::Close() {
    if (!m_open) return;
    m_open = false;
    // The exclusive flag belongs to the terminal, not to our descriptor: when
    // another holder keeps the device alive (a pseudo-terminal's other side),
    // it would outlive us and lock out the next open.
    (void)ioctl(m_fd, TIOCNXCL);
    close(m_fd);
    m_fd = -1;
    m_gone = false;
}

void CSerialPort::SetTimeoutMs(int ms) {
    if (m_open && ms > 0) m_timeoutMs = ms;
}

void CSerialPort::PurgeInput() {
    if (!m_open || m_gone) return;
    // Read rather than only flushed: bytes still waiting mean the line was
    // busy, and the next request must leave it a silence after them. When
    // they arrived is not known; now is the safe guess.
    uint8_t discard[512];
    for (int i = 0; i < kPurgeReads; ++i) {
        const ssize_t rc = read(m_fd, discard, sizeof discard);
        if (rc > 0) {
            m_lastReceivedNs = NowNs();
            continue;
        }
        if (rc < 0 && errno == EINTR) continue;
        if (rc == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) m_gone = true;
        break;
    }
    (void)ioctl(m_fd, TCFLSH, TCIFLUSH);
}

void CSerialPort::WaitForSilence() {
    m_lastSilenceWaitNs = 0;
    const int64_t lastActivity = std::max(m_lastReceivedNs, m_lastSentNs);
    if (lastActivity == 0) return;
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
    if (!m_open || m_gone) return 0;
    WaitForSilence();
    const int64_t begin = NowNs();
    const int64_t deadline = begin + static_cast<int64_t>(m_timeoutMs) * 1000000LL;
    size_t written = 0;
    while (written < n) {
        const ssize_t rc = write(m_fd, bytes + written, n - written);
        if (rc > 0) {
            written += static_cast<size_t>(rc);
            continue;
        }
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            if (errno == EIO || errno == ENXIO || errno == ENODEV) m_gone = true;
            break;
        }
        const short revents = WaitFor(m_fd, POLLOUT, deadline);
        if (revents == 0) break;  // time-out
        if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
            m_gone = true;
            break;
        }
    }
    // write() returns once the driver holds the bytes; the last of them
    // leaves the line no sooner than one character time each after the first.
    if (written > 0)
        m_lastSentNs = std::max(NowNs(), begin + static_cast<int64_t>(written) * m_characterNs);
    return written;
}

bool CSerialPort::ReadSome(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    for (;;) {
        const ssize_t rc = read(m_fd, buffer + *got, limit - *got);
        if (rc > 0) {
            *got += static_cast<size_t>(rc);
            m_lastReceivedNs = NowNs();
            return true;
        }
        if (rc == 0) {
            // End of file on a terminal: the other side hung up.
            m_gone = true;
            return false;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_gone = true;
            return false;
        }
        const short revents = WaitFor(m_fd, POLLIN, deadlineNs);
        if (revents == 0) return false;  // time-out
        if ((revents & POLLIN) == 0 && (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_gone = true;
            return false;
        }
        // POLLIN (possibly with POLLHUP): read what is left; the read itself
        // reports the hang-up once the data is drained.
    }
}

size_t CSerialPort::ReadResponse(uint8_t* buffer, size_t expected) {
    if (!m_open || m_gone || expected == 0) return 0;
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
    if (!m_open || m_gone) return 0;
    requestLength = std::min(requestLength, kMaxFrame);
    expected = std::min(expected, kMaxFrame);

    // Leftovers of an earlier, late answer must not be taken for this one.
    PurgeInput();
    const size_t sent = Write(request, requestLength);
    // Nothing went out (the line refused it until the time-out): nothing can
    // come back for it.
    if (sent == 0 || expected == 0 || !m_open || m_gone) return 0;
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

    if (m_echoMode == EchoMode::Automatic && m_echoState == EchoState::Unknown) {
        const bool complete = IsCompleteAnswer(request, sent, answer, length);
        if (echo == sent) {
            // A copy of a read or a function-16 request cannot be its own
            // answer, so it is an echo even with nothing behind it; a copy of
            // a function-6 request can, and needs the answer behind it.
            if (complete || !IsCompleteAnswer(request, sent, request, sent))
                m_echoState = EchoState::Present;
        } else if (complete) {
            m_echoState = EchoState::Absent;
        }
    }
    return length;
}
