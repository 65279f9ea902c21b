#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CSerialPort;

// A Modbus TCP to RTU gateway in front of the simulator's pseudo-terminal,
// as a plant's gateway stands in front of a module's RS-485 line: it takes
// MBAP requests on 127.0.0.1 only, sends each as an RTU frame on the line,
// and answers with the RTU answer's PDU under the request's transaction
// identifier. When the line gives no valid answer it answers exception 0B
// (gateway target device failed to respond), as gateways do. Clients are
// served one request at a time, in the order they arrive; the line is open
// only while a client is connected.
class ModbusTcpGateway {
public:
    ModbusTcpGateway() = default;
    ~ModbusTcpGateway();
    ModbusTcpGateway(const ModbusTcpGateway&) = delete;
    ModbusTcpGateway& operator=(const ModbusTcpGateway&) = delete;

    // Listens on 127.0.0.1:port (0: any free port) and opens the line at
    // `baud`. False when either fails.
    bool Start(const std::string& devicePath, int port, int baud = 115200);
    void Stop();
    // The port listened on.
    int Port() const { return m_port; }
    // Every MBAP request received, whole, in order.
    std::vector<std::vector<uint8_t>> Requests() const;

private:
    void Serve();
    // Reads what a client sent and answers every whole request in it; false
    // when the client has gone or broke the framing.
    bool ServeClient(int fd, CSerialPort& line, std::vector<uint8_t>* pending);
    std::vector<uint8_t> Answer(CSerialPort& line, const std::vector<uint8_t>& request);

    std::string m_devicePath;
    int m_baud = 115200;
    int m_listen = -1;
    int m_port = 0;
    int m_wakePipe[2] = {-1, -1};
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_requests;
};
