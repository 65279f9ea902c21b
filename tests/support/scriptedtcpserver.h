#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "frames.h"

// A server on 127.0.0.1 that hands its first connection to a script: the
// network lines' peers that real servers never are (one that never answers,
// one that drops the line mid-exchange, a gateway that answers another
// transaction). The script runs on the server's thread and returns when it
// is done; the connection is closed then.
class ScriptedTcpServer {
public:
    // The script gets the connected socket and the server, for Receive/Send.
    using Script = std::function<void(int fd, ScriptedTcpServer& server)>;

    ScriptedTcpServer() = default;
    ~ScriptedTcpServer();
    ScriptedTcpServer(const ScriptedTcpServer&) = delete;
    ScriptedTcpServer& operator=(const ScriptedTcpServer&) = delete;

    bool Start(Script script);
    // The script of a peer that takes whatever comes and never says a word.
    static void TakeAndSayNothing(int fd, ScriptedTcpServer& server) {
        while (server.Running() && !server.Receive(fd, 1).empty()) {
        }
    }
    int Port() const { return m_port; }

    // For scripts: exactly n bytes (fewer when the peer closes or the
    // server stops), and a whole send. Every byte received is recorded.
    Bytes Receive(int fd, size_t n);
    void Send(int fd, const Bytes& bytes);
    Bytes Received() const;
    bool Running() const { return m_running; }

private:
    void Serve(Script script);

    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    Bytes m_received;
};
