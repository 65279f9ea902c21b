#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "frames.h"

// A slave on a pseudo-terminal that answers each request with the next
// queued answer, byte for byte as given, and stays silent once none is
// queued. It stands in for answers the module simulator never gives: a
// short but consistent block, a byte count that lies, a fixed network time.
class ScriptedSlave {
public:
    ScriptedSlave() = default;
    ~ScriptedSlave();
    ScriptedSlave(const ScriptedSlave&) = delete;
    ScriptedSlave& operator=(const ScriptedSlave&) = delete;

    bool Start();
    const std::string& DevicePath() const { return m_devicePath; }

    void Queue(Bytes answer);
    std::vector<Bytes> Requests() const;

private:
    void Serve();

    int m_master = -1;
    int m_slave = -1;
    std::string m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::deque<Bytes> m_answers;
    std::vector<Bytes> m_requests;
};
