// Exchanges behind an RS-485 adapter that echoes every request, and the
// silence a request leaves on the line, over a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "cserialport.h"
#include "frames.h"
#include "masterfixture.h"
#include "modbus_rtu.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "response_check.h"
#include "scriptedslave.h"

namespace {

using Fault = ModuleSimulator::Fault;
using Mode = CSerialPort::EchoMode;
using State = CSerialPort::EchoState;

class EchoLine : public MasterFixture {
protected:
    // A simulator (echoing or not) and a fresh port in automatic mode.
    void Start(bool echo, int baud = 0) {
        m_port.Close();
        m_sim.Stop();
        ModuleSimulator::Options options;
        options.echo = echo;
        options.baud = baud;
        ASSERT_TRUE(m_sim.Start(options));
        Open(m_sim.DevicePath(), baud > 0 ? baud : 115200);
    }
    void Open(const std::string& device, int baud = 115200) {
        ASSERT_EQ(kSerialOk, m_port.OpenDevice(device, baud, 8, 0, 0, 0));
        m_request.port = &m_port;
    }

    Bytes LastEcho() const {
        return Bytes(m_port.LastEcho(), m_port.LastEcho() + m_port.LastEchoLength());
    }
};

TEST_F(EchoLine, AutomaticModeFindsTheEchoAndRemovesIt) {
    Start(true);
    EXPECT_EQ(State::Unknown, m_port.GetEchoState());
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    ASSERT_EQ(67u, m_answer.size());
    EXPECT_EQ(62, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    EXPECT_EQ(State::Present, m_port.GetEchoState());
    EXPECT_EQ(ReadRequest(0x5001, 31), LastEcho());

    ASSERT_EQ(kModbusOk, Exchange(6, 0x5011, 1, {0x00, 0x07}));
    EXPECT_EQ(WriteOne(0x5011, 7), m_answer);
    EXPECT_EQ(WriteOne(0x5011, 7), LastEcho());
    const Bytes values = {0x00, 0x10, 0x00, 0x08};
    ASSERT_EQ(kModbusOk, Exchange(16, 0x6001, 2, values));
    EXPECT_EQ(WithCrc({0x01, 0x10, 0x60, 0x01, 0x00, 0x02}), m_answer);
    EXPECT_EQ(WriteMany(0x6001, values), LastEcho());
    ASSERT_EQ(kModbusOk, Exchange(3, 0x9000, 1));
    EXPECT_EQ(ExceptionAnswer(3, 2), m_answer);

    // The echo never reaches the module as a request of its own.
    EXPECT_EQ(4u, m_sim.RequestCount());
    EXPECT_EQ(7, m_sim.Register(0x5011));
    EXPECT_EQ(8, m_sim.Register(0x6002));
}

TEST_F(EchoLine, AWriteFirstIsSettledByTheAnswerBehindItsEcho) {
    Start(true);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0x00, 0x03}));
    EXPECT_EQ(WriteOne(0x5001, 3), m_answer);
    EXPECT_EQ(8u, m_port.LastEchoLength());
    EXPECT_EQ(State::Present, m_port.GetEchoState());
}

// The echo of a function-6 request is byte for byte a good answer: a module
// that never answers must not look like one that took the write.
TEST_F(EchoLine, SilentModuleBehindAnEchoGivesNothing) {
    Start(true);
    m_sim.SetSilent(true);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0x00, 0x03}));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_EQ(WriteOne(0x5001, 3), LastEcho());
    // The copy could have been the answer of a module behind a plain line.
    EXPECT_EQ(State::Unknown, m_port.GetEchoState());

    // A copy of a read can only be an echo.
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 2));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_EQ(State::Present, m_port.GetEchoState());

    ASSERT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0x00, 0x03}));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_EQ(8u, m_port.LastEchoLength());

    m_sim.SetSilent(false);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5001, 1, {0x00, 0x03}));
    EXPECT_EQ(WriteOne(0x5001, 3), m_answer);
    EXPECT_EQ(3, m_sim.Register(0x5001));
}

TEST_F(EchoLine, PlainLineIsFoundWithoutEcho) {
    Start(false);
    // Before a read has told, a write's copy is no answer: that costs a plain
    // line the time-out, which is why callers read before their first write.
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5011, 1, {0x00, 0x07}));
    EXPECT_TRUE(m_answer.empty());
    EXPECT_EQ(State::Unknown, m_port.GetEchoState());

    ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 2));
    EXPECT_EQ(9u, m_answer.size());
    EXPECT_EQ(0u, m_port.LastEchoLength());
    EXPECT_EQ(State::Absent, m_port.GetEchoState());
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5011, 1, {0x00, 0x07}));
    EXPECT_EQ(WriteOne(0x5011, 7), m_answer);

    // Every open, and every change of mode, starts over.
    m_port.Close();
    Open(m_sim.DevicePath());
    EXPECT_EQ(State::Unknown, m_port.GetEchoState());
    m_port.SetEchoMode(Mode::Always);
    EXPECT_EQ(State::Present, m_port.GetEchoState());
    m_port.SetEchoMode(Mode::Never);
    EXPECT_EQ(State::Absent, m_port.GetEchoState());
    m_port.Close();
    Open(m_sim.DevicePath());
    EXPECT_EQ(Mode::Never, m_port.GetEchoMode());
    EXPECT_EQ(State::Absent, m_port.GetEchoState());
}

TEST_F(EchoLine, FixedModesTrustTheSetting) {
    // "Never" behind an echo: the echo is taken for the start of the answer.
    Start(true);
    m_port.SetEchoMode(Mode::Never);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    ASSERT_EQ(67u, m_answer.size());
    EXPECT_EQ(ReadRequest(0x5001, 31), Bytes(m_answer.begin(), m_answer.begin() + 8));
    EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    EXPECT_EQ(State::Absent, m_port.GetEchoState());

    m_port.SetEchoMode(Mode::Always);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_EQ(62, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));

    // "Always" on a plain line drops the first bytes of every answer.
    Start(false);
    m_port.SetEchoMode(Mode::Always);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
    EXPECT_EQ(59u, m_answer.size());
    EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    EXPECT_EQ(State::Present, m_port.GetEchoState());
}

TEST_F(EchoLine, DamagedAnswersBehindAnEchoAreRejected) {
    Start(true);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 2));
    ASSERT_EQ(State::Present, m_port.GetEchoState());
    struct Case {
        Fault fault;
        size_t size;
    } cases[] = {{Fault::BadCrc, 67}, {Fault::Truncated, 64}, {Fault::Garbage, 67}};
    for (const auto& c : cases) {
        m_sim.InjectFault(c.fault);
        ASSERT_EQ(kModbusOk, Exchange(3, 0x5001, 31));
        EXPECT_EQ(c.size, m_answer.size());
        EXPECT_EQ(-1, AcceptBlockRead(0, m_answer.data(), m_answer.size(), 62));
    }
    m_sim.InjectFault(Fault::BadCrc);
    ASSERT_EQ(kModbusOk, Exchange(6, 0x5009, 1, {0x02, 0x0F}));
    EXPECT_EQ(8u, m_answer.size());
    EXPECT_FALSE(IsGoodResponse(0, m_answer.data(), m_answer.size(), 6));
}

TEST_F(EchoLine, ExceptionBehindAnEchoArrivesWithoutWaitingForTheRest) {
    Start(true, 9600);
    ASSERT_EQ(kModbusOk, Exchange(3, 0x9000, 31));
    EXPECT_EQ(ExceptionAnswer(3, 2), m_answer);
    // Waiting for the 8 + 67 bytes that a read could bring would have taken
    // the whole 312 ms.
    EXPECT_LT(m_ms, m_port.TimeoutMs());
    EXPECT_EQ(State::Present, m_port.GetEchoState());
}

// With echo=never behind an adapter that echoes, a silent module's echo
// would confirm every single-register write. The read that goes first comes
// back behind a copy of itself, and the port refuses writes from then on.
TEST_F(EchoLine, NeverModeOnAnEchoingLineRefusesWrites) {
    Start(true);
    m_sim.SetSilent(true);
    m_port.SetEchoMode(Mode::Never);
    ModuleSession session(&m_port);
    EXPECT_EQ(kModbusWritesRefused, session.WriteDeviceMode(3));
    EXPECT_TRUE(m_port.WritesRefused());
    EXPECT_EQ(kModbusWritesRefused, session.WriteDeviceMode(3));
    EXPECT_EQ(std::vector<Bytes>{ReadRequest(0x5003, 2)}, m_sim.Requests());

    // Until the setting changes.
    m_sim.SetSilent(false);
    m_port.SetEchoMode(Mode::Automatic);
    EXPECT_EQ(kModuleOk, session.WriteDeviceMode(3));
    EXPECT_EQ(3, m_sim.Register(0x5001));
}

TEST(EchoLineScripted, ForeignAnswersBehindAnEchoReachTheCallerAsTheyCame) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    slave.SetEcho(true);
    const Bytes fromSlave2 = WithCrc({0x02, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02});
    const Bytes otherValue = WriteOne(0x5001, 4);
    slave.Queue(fromSlave2);
    slave.Queue(otherValue);

    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0));
    const Bytes read = ReadRequest(0x5003, 2);
    uint8_t answer[kModbusBufferSize];
    size_t n = port.Exchange(read.data(), read.size(), answer, 9);
    EXPECT_EQ(fromSlave2, Bytes(answer, answer + n));
    EXPECT_FALSE(AnswerMatchesRequest(read.data(), read.size(), answer, n));
    EXPECT_EQ(CSerialPort::EchoState::Present, port.GetEchoState());

    const Bytes write = WriteOne(0x5001, 3);
    n = port.Exchange(write.data(), write.size(), answer, 8);
    EXPECT_EQ(otherValue, Bytes(answer, answer + n));
    EXPECT_FALSE(AnswerMatchesRequest(write.data(), write.size(), answer, n));
}

TEST_F(EchoLine, RequestsLeaveTheLineSilentBetweenFrames) {
    // 3.5 characters of 10 bits at 9600 baud.
    Start(false, 9600);
    ASSERT_EQ(3645833, m_port.FrameSilenceNs());
    for (int i = 0; i < 4; ++i) ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 2));
    const std::vector<int64_t> silences = m_sim.SilencesBeforeRequestsNs();
    ASSERT_EQ(4u, silences.size());
    // Measured on the module's side, which cannot see more silence than
    // there was: every request after an answer came no sooner than 3.5
    // characters after its last byte.
    for (size_t i = 1; i < silences.size(); ++i) EXPECT_GE(silences[i], m_port.FrameSilenceNs());

    // An exchange that starts later than that waits nothing.
    std::this_thread::sleep_for(std::chrono::nanoseconds(2 * m_port.FrameSilenceNs()));
    ASSERT_EQ(kModbusOk, Exchange(3, 0x5003, 2));
    EXPECT_EQ(0, m_port.LastSilenceWaitNs());
}

}  // namespace
