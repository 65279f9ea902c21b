#include "modbustcpgateway.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "cserialport.h"
#include "rtu_frame.h"

namespace {

constexpr size_t kMbapHeader = 7;
constexpr size_t kMaxLength = 254;
constexpr uint8_t kGatewayTargetFailed = 0x0B;

uint16_t WordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

// Bytes the RTU answer to this PDU has: the line waits for no more.
size_t ExpectedAnswer(const uint8_t* pdu, size_t length) {
    switch (pdu[0]) {
        case 3:
        case 4:
            return length >= 5 ? 2u * WordAt(pdu + 3) + 5 : 5;
        case 6:
        case 16:
            return 8;
        default:
            return 255;
    }
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

ModbusTcpGateway::~ModbusTcpGateway() {
    Stop();
}

bool ModbusTcpGateway::Start(const std::string& devicePath, int port, int baud) {
    m_devicePath = devicePath;
    m_baud = baud;
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0) return false;
    const int on = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen, 4) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        Stop();
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_running = true;
    m_thread = std::thread(&ModbusTcpGateway::Serve, this);
    return true;
}

void ModbusTcpGateway::Stop() {
    if (m_running.exchange(false)) {
        const char wake = 0;
        (void)!write(m_wakePipe[1], &wake, 1);
    }
    if (m_thread.joinable()) m_thread.join();
    for (int* fd : {&m_listen, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

std::vector<std::vector<uint8_t>> ModbusTcpGateway::Requests() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_requests;
}

std::vector<uint8_t> ModbusTcpGateway::Answer(CSerialPort& line,
                                              const std::vector<uint8_t>& request) {
    // RTU: unit identifier and PDU, then the CRC.
    std::vector<uint8_t> rtu(request.begin() + kMbapHeader - 1, request.end());
    const uint16_t crc = Crc16Modbus(rtu.data(), rtu.size());
    rtu.push_back(static_cast<uint8_t>(crc & 0xFF));
    rtu.push_back(static_cast<uint8_t>(crc >> 8));
    // The line is held only while a client is connected, as ser2net holds
    // it, so that others may use the device between clients.
    if (!line.IsOpen()) line.OpenDevice(m_devicePath, m_baud, 8, 0, 0, 0);
    uint8_t answer[255];
    const size_t got = line.IsOpen() ? line.Exchange(rtu.data(), rtu.size(), answer,
                                                     ExpectedAnswer(rtu.data() + 1, rtu.size() - 3))
                                     : 0;
    std::vector<uint8_t> pdu;
    if (got >= 4 && answer[0] == rtu[0] && ResponseCrcValid(answer, got))
        pdu.assign(answer, answer + got - 2);
    else
        pdu = {rtu[0], static_cast<uint8_t>(rtu[1] | 0x80), kGatewayTargetFailed};
    std::vector<uint8_t> reply(request.begin(), request.begin() + 4);
    reply.push_back(static_cast<uint8_t>(pdu.size() >> 8));
    reply.push_back(static_cast<uint8_t>(pdu.size() & 0xFF));
    reply.insert(reply.end(), pdu.begin(), pdu.end());
    return reply;
}

bool ModbusTcpGateway::ServeClient(int fd, CSerialPort& line, std::vector<uint8_t>* pending) {
    uint8_t chunk[512];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    pending->insert(pending->end(), chunk, chunk + n);
    while (pending->size() >= kMbapHeader) {
        const size_t length = WordAt(pending->data() + 4);
        // A frame that is not Modbus TCP: where the next begins is lost.
        if (WordAt(pending->data() + 2) != 0 || length < 2 || length > kMaxLength) return false;
        const size_t whole = kMbapHeader - 1 + length;
        if (pending->size() < whole) break;
        const std::vector<uint8_t> request(pending->begin(), pending->begin() + whole);
        pending->erase(pending->begin(), pending->begin() + static_cast<long>(whole));
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_requests.push_back(request);
        }
        if (!SendAll(fd, Answer(line, request))) return false;
    }
    return true;
}

void ModbusTcpGateway::Serve() {
    CSerialPort line;
    std::map<int, std::vector<uint8_t>> clients;
    while (m_running) {
        std::vector<pollfd> fds = {{m_wakePipe[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        for (const auto& client : clients) fds.push_back({client.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) break;
        if (fds[1].revents & POLLIN) {
            const int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) clients[fd];
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents == 0 || ServeClient(fds[i].fd, line, &clients[fds[i].fd])) continue;
            close(fds[i].fd);
            clients.erase(fds[i].fd);
            if (clients.empty()) line.Close();
        }
    }
    for (const auto& client : clients) close(client.first);
}
