#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "cserialport.h"
#include "frames.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"

// A simulated module and our master on a pseudo-terminal: one raw exchange
// at a time on the request record, with its answer and duration kept.
class MasterFixture : public ::testing::Test {
protected:
    // One exchange; returns the status and fills m_answer and m_ms.
    int Exchange(uint8_t function, uint32_t start, uint32_t quantity, const Bytes& data = {}) {
        m_request.function = function;
        m_request.start = start;
        m_request.quantity = quantity;
        SetRequestData(m_request, data.data(), data.size());
        uint8_t received = 0;
        const auto begin = std::chrono::steady_clock::now();
        const int status = ModbusTransact(m_request, m_response, &received);
        m_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                   .count();
        m_answer.assign(m_response, m_response + received);
        return status;
    }

    ModuleSimulator m_sim;
    CSerialPort m_port;
    ModbusRequest m_request;
    uint8_t m_response[kModbusBufferSize] = {};
    Bytes m_answer;
    double m_ms = 0;
};
