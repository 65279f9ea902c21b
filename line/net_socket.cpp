#include "net_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "line_io.h"
#include "open_failure.h"
#include "errno_text.h"

namespace {

bool NumericAddress(const std::string& host, int port, ResolvedAddress* address) {
    sockaddr_in v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(port));
        std::memcpy(&address->storage, &v4, sizeof v4);
        address->length = sizeof v4;
        return true;
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(port));
        std::memcpy(&address->storage, &v6, sizeof v6);
        address->length = sizeof v6;
        return true;
    }
    return false;
}

// What the lookup thread and its caller share; whichever lets go last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int code = EAI_AGAIN;
    std::vector<ResolvedAddress> addresses;
};

void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int code = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    std::vector<ResolvedAddress> addresses;
    for (const addrinfo* entry = found; code == 0 && entry != nullptr; entry = entry->ai_next) {
        ResolvedAddress address;
        if (entry->ai_addrlen > sizeof address.storage) continue;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    if (found != nullptr) freeaddrinfo(found);
    std::lock_guard<std::mutex> hold(lookup->mutex);
    lookup->code = code == 0 && addresses.empty() ? EAI_NONAME : code;
    lookup->addresses = std::move(addresses);
    lookup->finished = true;
    lookup->done.notify_all();
}

SerialOpenFailure& Fail(SerialOpenFailure* failure, SerialOpenReason reason, int error) {
    failure->reason = reason;
    failure->error = error;
    return *failure;
}

// One address: 0 once connected, else the errno (ETIMEDOUT at the deadline).
int ConnectOne(int fd, const ResolvedAddress& address, int64_t deadlineNs) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0)
        return 0;
    if (errno != EINPROGRESS && errno != EINTR) return errno;
    const short revents = WaitFor(fd, POLLOUT, deadlineNs);
    if (revents == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

}  // namespace

int SystemHostLookup(const std::string& host, int port, int64_t deadlineNs,
                     std::vector<ResolvedAddress>* addresses) {
    ResolvedAddress numeric;
    if (NumericAddress(host, port, &numeric)) {
        addresses->assign(1, numeric);
        return 0;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread(RunLookup, lookup, host, port).detach();
    } catch (const std::system_error&) {
        return EAI_SYSTEM;
    }
    std::unique_lock<std::mutex> hold(lookup->mutex);
    const auto left = std::chrono::nanoseconds(deadlineNs - NowNs());
    if (!lookup->done.wait_for(hold, left, [&] { return lookup->finished; })) return EAI_AGAIN;
    *addresses = lookup->addresses;
    return lookup->code;
}

int ConnectTcp(const std::string& host, int port, int timeoutMs, const HostLookup& lookup,
               SerialOpenFailure* failure, int64_t* connectNs) {
    const int64_t deadline = DeadlineAfterMs(timeoutMs);
    failure->timeoutMs = timeoutMs;
    std::vector<ResolvedAddress> addresses(1);
    int code = 0;
    if (!NumericAddress(host, port, &addresses[0]))
        code = lookup ? lookup(host, port, deadline, &addresses)
                      : SystemHostLookup(host, port, deadline, &addresses);
    if (code != 0 || addresses.empty()) {
        Fail(failure, kOpenHostUnknown, code != 0 ? code : EAI_NONAME);
        failure->detail = HostLookupErrorText(failure->error);
        return -1;
    }

    int lastError = ETIMEDOUT;
    for (const ResolvedAddress& address : addresses) {
        const int fd = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              IPPROTO_TCP);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        const int64_t start = NowNs();
        const int error = ConnectOne(fd, address, deadline);
        if (error == 0) {
            *connectNs = NowNs() - start;
            // Frames are small and wait for their answer: never hold one back.
            const int on = 1;
            (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return fd;
        }
        close(fd);
        lastError = error;
        if (error == ETIMEDOUT || NowNs() >= deadline) break;
    }
    Fail(failure, NetworkReasonForError(lastError), lastError);
    return -1;
}

size_t SocketSend(int fd, const uint8_t* bytes, size_t n, int64_t deadlineNs, bool* gone) {
    size_t sent = 0;
    while (sent < n && !*gone) {
        // MSG_NOSIGNAL: a peer that has gone is an error to report, not a
        // SIGPIPE that ends the program.
        const ssize_t rc = send(fd, bytes + sent, n - sent, MSG_NOSIGNAL);
        if (rc > 0) {
            sent += static_cast<size_t>(rc);
            continue;
        }
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            *gone = true;
            break;
        }
        const short revents = WaitFor(fd, POLLOUT, deadlineNs);
        if (revents == 0) break;
        if (revents & (POLLHUP | POLLERR | POLLNVAL)) *gone = true;
    }
    return sent;
}

size_t SocketReceive(int fd, uint8_t* bytes, size_t n, int64_t deadlineNs, bool* gone) {
    while (!*gone) {
        const ssize_t rc = recv(fd, bytes, n, 0);
        if (rc > 0) {
            // A server that sends an answer in pieces with Nagle's algorithm
            // on holds the rest until this part is acknowledged, and a
            // delayed acknowledgement would add 40 ms to every exchange.
            // Linux drops quick-ack mode by itself, so it is asked for again
            // after every receive.
            const int on = 1;
            (void)setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
            return static_cast<size_t>(rc);
        }
        if (rc == 0) {
            *gone = true;  // orderly close by the peer
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            *gone = true;
            break;
        }
        const short revents = WaitFor(fd, POLLIN, deadlineNs);
        if (revents == 0) return 0;
        // With POLLHUP or POLLERR the next recv reports what happened.
    }
    return 0;
}
