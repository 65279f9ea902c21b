#include "scriptedtcpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

ScriptedTcpServer::~ScriptedTcpServer() {
    m_running = false;
    if (m_listen >= 0) shutdown(m_listen, SHUT_RDWR);
    if (m_thread.joinable()) m_thread.join();
    if (m_listen >= 0) close(m_listen);
}

bool ScriptedTcpServer::Start(Script script) {
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 ||
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen, 1) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_running = true;
    m_thread = std::thread(&ScriptedTcpServer::Serve, this, std::move(script));
    return true;
}

void ScriptedTcpServer::Serve(Script script) {
    pollfd wait{m_listen, POLLIN, 0};
    while (m_running && poll(&wait, 1, 20) == 0) {
    }
    if (!m_running) return;
    const int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    script(fd, *this);
    close(fd);
}

Bytes ScriptedTcpServer::Receive(int fd, size_t n) {
    Bytes bytes;
    while (bytes.size() < n && m_running) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, 20) <= 0) continue;
        uint8_t chunk[512];
        const ssize_t got = recv(fd, chunk, std::min(sizeof chunk, n - bytes.size()), 0);
        if (got <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::lock_guard<std::mutex> hold(m_mutex);
    m_received.insert(m_received.end(), bytes.begin(), bytes.end());
    return bytes;
}

void ScriptedTcpServer::Send(int fd, const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

Bytes ScriptedTcpServer::Received() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_received;
}
