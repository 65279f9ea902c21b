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
    // Every byte received goes straight back before the answer, as behind a
    // two-wire RS-485 adapter that hears itself.
    void SetEcho(bool on) { m_echo = on; }
    std::vector<Bytes> Requests() const;

private:
    void Serve();
    void WriteAll(const uint8_t* bytes, size_t n);

    int m_master = -1;
    int m_slave = -1;
    std::string m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_echo{false};
    mutable std::mutex m_mutex;
    std::deque<Bytes> m_answers;
    std::vector<Bytes> m_requests;
};
