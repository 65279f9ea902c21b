#include "tcpline.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "line_io.h"
#include "open_failure.h"

namespace {

// Reads of a purge before it gives up on a server that never stops sending.
constexpr int kPurgeReads = 64;

}  // namespace

TcpLine::~TcpLine() {
    close(m_fd);
}

std::unique_ptr<TcpLine> TcpLine::Connect(const LineAddress& address, int timeoutMs,
                                          const HostLookup& lookup, SerialOpenFailure* failure) {
    int64_t roundTrip = 0;
    const int fd = ConnectTcp(address.host, address.port, timeoutMs, lookup, failure, &roundTrip);
    if (fd < 0) return nullptr;
    return std::unique_ptr<TcpLine>(new TcpLine(fd, roundTrip));
}

bool TcpLine::Configure(const LineSettings&, SerialOpenFailure*) {
    return true;
}

size_t TcpLine::Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) {
    return SocketSend(m_fd, bytes, n, deadlineNs, &m_gone);
}

bool TcpLine::Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    const size_t n = SocketReceive(m_fd, buffer + *got, limit - *got, deadlineNs, &m_gone);
    *got += n;
    return n > 0;
}

size_t TcpLine::ReceiveWaiting(uint8_t* bytes, size_t n) {
    for (;;) {
        const ssize_t rc = recv(m_fd, bytes, n, MSG_DONTWAIT);
        if (rc > 0) return static_cast<size_t>(rc);
        if (rc < 0 && errno == EINTR) continue;
        if (rc == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) m_gone = true;
        return 0;
    }
}

bool TcpLine::Purge() {
    bool discarded = false;
    uint8_t discard[512];
    for (int i = 0; i < kPurgeReads && !m_gone; ++i) {
        if (ReceiveWaiting(discard, sizeof discard) == 0) break;
        discarded = true;
    }
    return discarded;
}
