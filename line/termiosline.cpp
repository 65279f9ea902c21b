#include "termiosline.h"

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

#include <cerrno>

#include "line_io.h"
#include "open_failure.h"

namespace {

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
// A driver may round the rate to what its clock divides into; more than
// this deviation and the line would not work, so the rate counts as refused.
constexpr double kRateTolerance = 0.02;
// Reads of a purge before it gives up on a line that never stops talking.
constexpr int kPurgeReads = 64;

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

}  // namespace

TermiosLine::~TermiosLine() {
    // The exclusive flag belongs to the terminal, not to our descriptor: when
    // another holder keeps the device alive (a pseudo-terminal's other side),
    // it would outlive us and lock out the next open.
    (void)ioctl(m_fd, TIOCNXCL);
    close(m_fd);
}

std::unique_ptr<TermiosLine> TermiosLine::Open(const std::string& path,
                                               const LineSettings& settings,
                                               SerialOpenFailure* failure) {
    // O_NOCTTY: the module's line must not become our controlling terminal.
    // O_NONBLOCK: every wait is a poll() against our own deadline.
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure->reason = OpenReasonForError(errno);
        failure->error = errno;
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(fd)) {
        failure->reason = kOpenNotSerial;
        failure->error = ENOTTY;
        close(fd);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // TIOCEXCL stops further opens by unprivileged programs; the flock
        // also stops privileged ones and other instances of ourselves. The
        // exclusive flag is not ours to clear: it belongs to the holder.
        failure->reason = kOpenBusy;
        failure->error = errno;
        close(fd);
        return nullptr;
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        failure->reason = OpenReasonForError(errno);
        failure->error = errno;
        close(fd);
        return nullptr;
    }
    std::unique_ptr<TermiosLine> line(new TermiosLine(fd));
    if (!line->Configure(settings, failure)) return nullptr;
    return line;
}

bool TermiosLine::Configure(const LineSettings& settings, SerialOpenFailure* failure) {
    failure->reason = kOpenLineRefused;
    failure->baud = settings.baud;
    failure->dataBits = settings.dataBits;
    const tcflag_t size = CharacterSizeFlag(settings.dataBits);
    if (size == 0) {
        failure->sizeRefused = true;
        return false;
    }

    struct termios2 tio {};
    if (ioctl(m_fd, TCGETS2, &tio) != 0) return IoctlFailed(failure);

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
    tio.c_ispeed = static_cast<speed_t>(settings.baud);
    tio.c_ospeed = static_cast<speed_t>(settings.baud);
    // Reads are driven by poll() against our own deadline, never by the
    // driver's 0.1 s VTIME grid. VMIN 1 makes an empty non-blocking read
    // fail with EAGAIN, so that a read of 0 bytes only ever means hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    // 1 and 1.5 stop bits share CSTOPB: at 5 data bits the UART sends 1.5.
    if (settings.stopBits == 1 || settings.stopBits == 2) tio.c_cflag |= CSTOPB;

    switch (settings.parity) {
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

    switch (settings.flow) {
        case 1:
            tio.c_iflag |= IXON | IXOFF;
            tio.c_cc[VSTART] = kXon;
            tio.c_cc[VSTOP] = kXoff;
            ClearModemLines(m_fd, TIOCM_DTR | TIOCM_RTS);
            break;
        case 2:
            // DTR keeps whatever the port had.
            tio.c_cflag |= CRTSCTS;
            break;
        default:
            ClearModemLines(m_fd, TIOCM_DTR | TIOCM_RTS);
            break;
    }

    if (ioctl(m_fd, TCSETS2, &tio) != 0) return IoctlFailed(failure);

    struct termios2 check {};
    if (ioctl(m_fd, TCGETS2, &check) != 0) return IoctlFailed(failure);
    failure->sizeRefused = (check.c_cflag & CSIZE) != size;
    failure->rateRefused = !RateTaken(check.c_ospeed, settings.baud);
    return !failure->sizeRefused && !failure->rateRefused;
}

bool TermiosLine::Purge() {
    if (m_gone) return false;
    // Read rather than only flushed: the caller learns that the line was
    // busy, and the next request must leave it a silence after that.
    bool discarded = false;
    uint8_t discard[512];
    for (int i = 0; i < kPurgeReads; ++i) {
        const ssize_t rc = read(m_fd, discard, sizeof discard);
        if (rc > 0) {
            discarded = true;
            continue;
        }
        if (rc < 0 && errno == EINTR) continue;
        if (rc == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) m_gone = true;
        break;
    }
    (void)ioctl(m_fd, TCFLSH, TCIFLUSH);
    return discarded;
}

size_t TermiosLine::Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) {
    size_t written = 0;
    while (written < n && !m_gone) {
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
        const short revents = WaitFor(m_fd, POLLOUT, deadlineNs);
        if (revents == 0) break;  // time-out
        if (revents & (POLLHUP | POLLERR | POLLNVAL)) m_gone = true;
    }
    return written;
}

bool TermiosLine::Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    while (!m_gone) {
        const ssize_t rc = read(m_fd, buffer + *got, limit - *got);
        if (rc > 0) {
            *got += static_cast<size_t>(rc);
            return true;
        }
        if (rc == 0) {
            // End of file on a terminal: the other side hung up.
            m_gone = true;
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_gone = true;
            break;
        }
        const short revents = WaitFor(m_fd, POLLIN, deadlineNs);
        if (revents == 0) return false;  // time-out
        if ((revents & POLLIN) == 0 && (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_gone = true;
            break;
        }
        // POLLIN (possibly with POLLHUP): read what is left; the read itself
        // reports the hang-up once the data is drained.
    }
    return false;
}
