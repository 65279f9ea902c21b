#pragma once

// A slave on a pseudo-terminal that answers each request with the next
// queued answer, byte for byte, and stays silent when none is queued. It
// stands in for module answers the simulator does not give on demand: a
// short but consistent read, or a fixed network time.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "modbus_rtu.h"

class ScriptedModule {
public:
    ScriptedModule() = default;
    ~ScriptedModule() {
        m_running = false;
        if (m_thread.joinable()) m_thread.join();
        if (m_slave >= 0) close(m_slave);
        if (m_master >= 0) close(m_master);
    }
    ScriptedModule(const ScriptedModule&) = delete;
    ScriptedModule& operator=(const ScriptedModule&) = delete;

    bool Start() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return false;
        const char* name = ptsname(m_master);
        if (name == nullptr) return false;
        m_path = name;
        // Held open for our whole life: without a holder of the device side,
        // reads on the master side fail.
        m_slave = open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0) return false;
        termios raw{};
        if (tcgetattr(m_slave, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(m_slave, TCSANOW, &raw);
        }
        m_running = true;
        m_thread = std::thread([this] { Serve(); });
        return true;
    }

    const std::string& DevicePath() const { return m_path; }

    // Appends the CRC and queues the answer.
    void QueueAnswer(std::vector<uint8_t> body) {
        const uint16_t crc = Crc16Modbus(body.data(), body.size());
        body.push_back(static_cast<uint8_t>(crc & 0xFF));
        body.push_back(static_cast<uint8_t>(crc >> 8));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_answers.push_back(std::move(body));
    }

    std::vector<std::vector<uint8_t>> Requests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    static size_t FrameLength(const std::vector<uint8_t>& rx) {
        if (rx.size() < 2) return 0;
        switch (rx[1]) {
            case 3:
            case 4:
            case 6:
                return 8;
            case 16:
                return rx.size() < 7 ? 0 : 9u + rx[6];
            default:
                return rx.size();
        }
    }

    void Serve() {
        std::vector<uint8_t> rx;
        while (m_running) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
            uint8_t buffer[256];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) continue;
            rx.insert(rx.end(), buffer, buffer + n);
            for (size_t length = FrameLength(rx); length != 0 && rx.size() >= length;
                 length = FrameLength(rx)) {
                std::vector<uint8_t> frame(rx.begin(), rx.begin() + static_cast<long>(length));
                rx.erase(rx.begin(), rx.begin() + static_cast<long>(length));
                std::vector<uint8_t> answer;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_requests.push_back(frame);
                    if (!m_answers.empty()) {
                        answer = std::move(m_answers.front());
                        m_answers.pop_front();
                    }
                }
                if (!answer.empty()) (void)!write(m_master, answer.data(), answer.size());
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::deque<std::vector<uint8_t>> m_answers;
    std::vector<std::vector<uint8_t>> m_requests;
};
