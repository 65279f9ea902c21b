#include "scriptedslave.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "modbus_rtu.h"

ScriptedSlave::~ScriptedSlave() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
    if (m_master >= 0) close(m_master);
    if (m_slave >= 0) close(m_slave);
}

bool ScriptedSlave::Start() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return false;
    const char* name = ptsname(m_master);
    if (name == nullptr) return false;
    m_devicePath = name;
    // Holding the device side open keeps the master readable while the
    // program under test has not opened it yet.
    m_slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) return false;
    termios raw{};
    if (tcgetattr(m_slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
    }
    m_running = true;
    m_thread = std::thread(&ScriptedSlave::Serve, this);
    return true;
}

std::vector<uint8_t> ScriptedSlave::ReadAnswer(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> body = {0x01, 0x03, static_cast<uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    return body;
}

void ScriptedSlave::QueueAnswer(std::vector<uint8_t> body) {
    const uint16_t crc = Crc16Modbus(body.data(), body.size());
    body.push_back(static_cast<uint8_t>(crc & 0xFF));
    body.push_back(static_cast<uint8_t>(crc >> 8));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(std::move(body));
}

std::vector<std::vector<uint8_t>> ScriptedSlave::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void ScriptedSlave::Serve() {
    std::vector<uint8_t> rx;
    while (m_running) {
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0) continue;
        uint8_t chunk[256];
        const ssize_t got = read(m_master, chunk, sizeof chunk);
        if (got <= 0) continue;
        rx.insert(rx.end(), chunk, chunk + got);
        // Requests of functions 3 and 6 are 8 bytes; 16 carries its count.
        for (;;) {
            if (rx.size() < 8) break;
            size_t length = 8;
            if (rx[1] == 16) length = 9 + static_cast<size_t>(rx[6]);
            if (rx.size() < length) break;
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
            size_t sent = 0;
            while (sent < answer.size()) {
                const ssize_t n = write(m_master, answer.data() + sent, answer.size() - sent);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
    }
}
