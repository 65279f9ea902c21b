#include "scriptedslave.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// Length of the request at the front of `rx`, 0 while it cannot be told
// yet. Functions 3, 4 and 6 have 8 bytes, 16 carries its byte count; any
// other request is taken as it arrived.
size_t RequestLength(const Bytes& rx) {
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

}  // namespace

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

void ScriptedSlave::Queue(Bytes answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

std::vector<Bytes> ScriptedSlave::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void ScriptedSlave::WriteAll(const uint8_t* bytes, size_t n) {
    size_t sent = 0;
    while (sent < n) {
        const ssize_t written = write(m_master, bytes + sent, n - sent);
        if (written <= 0) break;
        sent += static_cast<size_t>(written);
    }
}

void ScriptedSlave::Serve() {
    Bytes rx;
    while (m_running) {
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) continue;
        uint8_t chunk[256];
        const ssize_t got = read(m_master, chunk, sizeof chunk);
        if (got <= 0) continue;
        if (m_echo) WriteAll(chunk, static_cast<size_t>(got));
        rx.insert(rx.end(), chunk, chunk + got);
        for (size_t length = RequestLength(rx); length != 0 && rx.size() >= length;
             length = RequestLength(rx)) {
            Bytes answer;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.emplace_back(rx.begin(), rx.begin() + static_cast<long>(length));
                if (!m_answers.empty()) {
                    answer = std::move(m_answers.front());
                    m_answers.pop_front();
                }
            }
            rx.erase(rx.begin(), rx.begin() + static_cast<long>(length));
            WriteAll(answer.data(), answer.size());
        }
    }
}
