#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SerialOpenFailure;

// TCP plumbing of the network lines: name lookup with a deadline, a
// non-blocking connect bounded by poll(), and whole sends and partial
// receives against absolute CLOCK_MONOTONIC deadlines.

struct ResolvedAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// Looks up host:port before the deadline. Returns 0, or a getaddrinfo code
// (EAI_*) with nothing found. Replaceable so that tests never ask a name
// server.
using HostLookup = std::function<int(const std::string& host, int port, int64_t deadlineNs,
                                     std::vector<ResolvedAddress>* addresses)>;

// The system's lookup. Numeric addresses are taken as they are; a name is
// looked up by getaddrinfo on a helper thread, so that a slow name server
// holds the caller no longer than the deadline (EAI_AGAIN then; the thread
// finishes on its own and its answer is dropped).
int SystemHostLookup(const std::string& host, int port, int64_t deadlineNs,
                     std::vector<ResolvedAddress>* addresses);

// Connects to host:port, trying each address in turn, all within timeoutMs.
// Returns a connected, non-blocking, close-on-exec socket with Nagle off, or
// -1 with *failure filled (host unknown, refused, unreachable, timed out).
// *connectNs receives how long the connection took (one round trip).
int ConnectTcp(const std::string& host, int port, int timeoutMs, const HostLookup& lookup,
               SerialOpenFailure* failure, int64_t* connectNs);

// Sends all n bytes before the deadline; returns the bytes sent. *gone is
// set when the peer reset or closed the connection.
size_t SocketSend(int fd, const uint8_t* bytes, size_t n, int64_t deadlineNs, bool* gone);

// Receives up to n bytes, waiting until the deadline for the first; returns
// the bytes received, 0 on time-out or when the peer has gone (*gone).
size_t SocketReceive(int fd, uint8_t* bytes, size_t n, int64_t deadlineNs, bool* gone);
