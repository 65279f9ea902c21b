// Whole exchanges over a pseudo-terminal against the module simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "cserialport.h"
#include "frames.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"
#include "masterfixture.h"
#include "response_check.h"

namespace {

using Fault = ModuleSimulator::Fault;

class LinkExchange : public MasterFixture {
protected:
    void Start(int simBaud, int lineBaud) {
        ModuleSimulator::Options options;
        options.baud = simBaud;
        ASSERT_TRUE(m_sim.Start(options));
        ASSERT_EQ(kSerialOk, m_port.OpenDevice(m_sim.DevicePath(), lineBaud, 8, 0, 0, 0));
        m_request.port = &m_port;
    }
    void SetUp() override { Start(0, 115200); }
};

TEST_F(LinkExchange, GeneralBlockReadReturnsSixtySevenBytes) {
    std::vector<uint16_t> held;
    for (uint16_t k = 0; k < 31; ++k)
        held.push_back(m_sim.Register(static_cast<uint16_t>(0x5001 + k)));
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    ASSERT_EQ(67u, m_answer.size());
    EXPECT_EQ(62, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    for (uint16_t k = 0; k < 31; ++k) {
        const uint16_t value =
            static_cast<uint16_t>(m_answer[3 + 2 * k] << 8 | m_answer[4 + 2 * k]);
        EXPECT_EQ(held[k], value) << k;
    }
    ASSERT_EQ(1u, m_sim.RequestCount());
    EXPECT_EQ(ReadRequest(0x5001, 31), m_sim.Requests()[0]);
}

TEST_F(LinkExchange, WritesTravelByteForByte) {
    // A function-6 answer is a copy of its request; a port in automatic mode
    // takes it only once a read has shown that the line has no echo.
    m_port.SetEchoMode(CSerialPort::EchoMode::Never);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0x00, 0x03}));
    EXPECT_TRUE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 6));
    Bytes values;
    for (uint8_t v = 0; v < 15; ++v) {
        values.push_back(0x10);
        values.push_back(v);
    }
    ASSERT_EQ(kModbusOk, Exchange(16, 0x5011, 15, values));
    EXPECT_TRUE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 16));

    EXPECT_EQ((std::vector<Bytes>{WriteOne(0x5001, 3), WriteMany(0x5011, values)}),
              m_sim.Requests());
    EXPECT_EQ(3, m_sim.Register(0x5001));
    EXPECT_EQ(0x100E, m_sim.Register(0x501F));
}

TEST_F(LinkExchange, ClosedPortSendsNothing) {
    m_port.Close();
    uint8_t received = 0x55;
    m_request.function = 3;
    m_request.start = 0x5001;
    m_request.quantity = 31;
    EXPECT_EQ(kModbusPortClosed, ModbusTransact(m_request, m_response, &received));
    EXPECT_EQ(0x55, received);
    EXPECT_FALSE(m_sim.WaitForRequests(1, 100));
}

TEST_F(LinkExchange, OversizedRequestsSendNothing) {
    EXPECT_EQ(kModbusRequestTooLarge, Exchange(3, 0x0001, 126));
    EXPECT_EQ(kModbusRequestTooLarge, Exchange(4, 0x0001, 200));
    EXPECT_EQ(kModbusRequestTooLarge, Exchange(16, 0x0001, 124, Bytes(248, 0x11)));
    EXPECT_FALSE(m_sim.WaitForRequests(1, 100));
    // The largest legal read still goes through and fits the buffer.
    EXPECT_EQ(kModbusOk, Exchange(3, 0x7001, 69));
    EXPECT_EQ(143u, m_answer.size());
}

TEST_F(LinkExchange, SilentModuleGivesNothingAfterTheTimeout) {
    m_sim.InjectFault(Fault::Silent);
    EXPECT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_GE(m_ms, m_port.TimeoutMs() - 1.0);
    EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    // The next exchange is answered again.
    EXPECT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_EQ(67u, m_answer.size());
}

TEST_F(LinkExchange, DamagedAnswersAreRejected) {
    struct Case {
        Fault fault;
        size_t size;
    } cases[] = {{Fault::BadCrc, 67}, {Fault::Truncated, 64}, {Fault::Garbage, 67}};
    for (const auto& c : cases) {
        m_sim.InjectFault(c.fault);
        ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
        EXPECT_EQ(c.size, m_answer.size());
        EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
        EXPECT_FALSE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 3));
    }
    m_sim.InjectFault(Fault::BadCrc);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5009, 1, {0x02, 0x0F}));
    EXPECT_EQ(8u, m_answer.size());
    EXPECT_FALSE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 6));
}

TEST_F(LinkExchange, BytesArrivingAfterTheTimeoutAreNotWaitedFor) {
    m_sim.InjectFault(Fault::SlowBytes, 1, 40);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_GT(m_answer.size(), 0u);
    EXPECT_LT(m_answer.size(), 67u);
    EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
}

TEST_F(LinkExchange, LeftoversOfALateAnswerArePurged) {
    m_sim.InjectFault(Fault::Delay, 1, m_port.TimeoutMs() + 50);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x500A, 1));
    EXPECT_TRUE(m_answer.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 1));
    EXPECT_EQ(ReadAnswer({0x02, 0x01}), m_answer);
}

TEST_F(LinkExchange, ExceptionArrivesWithoutWaitingForTheRest) {
    m_sim.Stop();
    m_port.Close();
    Start(9600, 9600);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x9000, 31));
    EXPECT_EQ(ExceptionAnswer(3, 2), m_answer);
    // Waiting for the 67 bytes expected would have taken the whole 312 ms.
    EXPECT_LT(m_ms, m_port.TimeoutMs());
    EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    EXPECT_FALSE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 3));
}

TEST_F(LinkExchange, VanishedDeviceFailsAtOnceAndComesBack) {
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    m_sim.CloseDevice();
    EXPECT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_TRUE(m_port.IsGone());
    EXPECT_TRUE(m_port.IsOpen());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0, 0}));
        EXPECT_TRUE(m_answer.empty());
    }

    m_port.Close();
    EXPECT_FALSE(m_port.IsGone());
    ASSERT_TRUE(m_sim.ReopenDevice());
    ASSERT_EQ(kSerialOk, m_port.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0));
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_EQ(67u, m_answer.size());
}

TEST_F(LinkExchange, DeviceVanishingMidExchange) {
    m_sim.InjectFault(Fault::Vanish);
    EXPECT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_TRUE(m_port.IsGone());
    EXPECT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_EQ(1u, m_sim.RequestCount());
}

TEST_F(LinkExchange, SecondOpenKeepsTheFirstConnectionWorking) {
    EXPECT_EQ(kSerialAlreadyOpen, m_port.OpenDevice(m_sim.DevicePath(), 9600, 8, 0, 0, 0));
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_EQ(67u, m_answer.size());
}

}  // namespace
