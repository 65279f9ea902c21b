#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A slave on a pseudo-terminal that answers each request with the next
// answer queued, byte for byte as given, and stays silent once the queue is
// empty. Used for answers the module simulator never produces, such as a
// short but consistent block answer.
class ScriptedSlave {
public:
    ScriptedSlave() = default;
    ~ScriptedSlave();
    ScriptedSlave(const ScriptedSlave&) = delete;
    ScriptedSlave& operator=(const ScriptedSlave&) = delete;

    bool Start();
    const std::string& DevicePath() const { return m_devicePath; }

    // Appends the CRC to `body` and queues it as the next answer.
    void QueueAnswer(std::vector<uint8_t> body);
    std::vector<std::vector<uint8_t>> Requests() const;

    // A function-3 answer carrying `data` (byte count = data size).
    static std::vector<uint8_t> ReadAnswer(const std::vector<uint8_t>& data);

private:
    void Serve();

    int m_master = -1;
    int m_slave = -1;
    std::string m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::deque<std::vector<uint8_t>> m_answers;
    std::vector<std::vector<uint8_t>> m_requests;
};
