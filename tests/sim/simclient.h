#pragma once

#include <vector>

#include "cserialport.h"
#include "frames.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"

// A master on the simulator's line for tests: one call per exchange, the
// raw answer kept as a vector.
class SimClient {
public:
    bool Open(const std::string& device, int baud = 115200) {
        m_request.port = &m_port;
        return m_port.OpenDevice(device, baud, 8, 0, 0, 0) == kSerialOk;
    }
    Bytes Read(uint16_t start, uint16_t quantity, uint8_t function = 3) {
        m_request.function = function;
        m_request.start = start;
        m_request.quantity = quantity;
        return Transact();
    }
    Bytes WriteOne(uint16_t address, uint16_t value) {
        const uint8_t data[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        m_request.function = 6;
        m_request.start = address;
        m_request.quantity = 1;
        SetRequestData(m_request, data, 2);
        return Transact();
    }
    Bytes WriteMany(uint16_t start, const std::vector<uint16_t>& values) {
        Bytes data;
        for (uint16_t v : values) {
            data.push_back(static_cast<uint8_t>(v >> 8));
            data.push_back(static_cast<uint8_t>(v & 0xFF));
        }
        m_request.function = 16;
        m_request.start = start;
        m_request.quantity = static_cast<uint32_t>(values.size());
        SetRequestData(m_request, data.data(), data.size());
        return Transact();
    }
    // Sends bytes as they are and reads up to `expected` bytes back.
    Bytes Raw(const Bytes& frame, size_t expected) {
        m_port.PurgeInput();
        m_port.Write(frame.data(), frame.size());
        uint8_t answer[kModbusBufferSize];
        const size_t n = m_port.ReadResponse(answer, expected);
        return Bytes(answer, answer + n);
    }
    CSerialPort& Port() { return m_port; }

    // Register k of a read answer.
    static uint16_t Word(const Bytes& answer, size_t k) {
        return static_cast<uint16_t>(answer.at(3 + 2 * k) << 8 | answer.at(4 + 2 * k));
    }

private:
    Bytes Transact() {
        uint8_t answer[kModbusBufferSize];
        uint8_t received = 0;
        if (ModbusTransact(m_request, answer, &received) != kModbusOk) return {};
        return Bytes(answer, answer + received);
    }

    CSerialPort m_port;
    ModbusRequest m_request;
};
