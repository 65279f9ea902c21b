// The module session: verdicts of answers, what observers are told, and the
// held bytes handed back.

#include <gtest/gtest.h>

#include <vector>

#include "cserialport.h"
#include "frames.h"
#include "modulesession.h"
#include "scriptedslave.h"

namespace {

struct VerdictCase {
    const char* name;
    Bytes request;  // with CRC
    Bytes answer;
    ExchangeVerdict verdict;
    uint8_t exceptionCode;
};

Bytes Cut(Bytes bytes, size_t dropped) {
    bytes.resize(bytes.size() - dropped);
    return bytes;
}

Bytes Damaged(Bytes bytes) {
    bytes.back() ^= 0xFF;
    return bytes;
}

TEST(ClassifyAnswer, EachFaultKindHasItsVerdict) {
    const Bytes read = ReadRequest(0x5001, 2);
    const Bytes write = WriteOne(0x5001, 3);
    const Bytes many = WriteMany(0x7021, {0x81, 0x00, 0x00, 0x01});
    const std::vector<VerdictCase> cases = {
        {"good read", read, ReadAnswer({1, 2, 3, 4}), ExchangeVerdict::Ok, 0},
        {"nothing", read, {}, ExchangeVerdict::Timeout, 0},
        {"cut read", read, Cut(ReadAnswer({1, 2, 3, 4}), 3), ExchangeVerdict::Short, 0},
        {"cut exception", read, Cut(ExceptionAnswer(3, 2), 1), ExchangeVerdict::Short, 0},
        {"bad crc", read, Damaged(ReadAnswer({1, 2, 3, 4})), ExchangeVerdict::CrcError, 0},
        {"exception 01", read, ExceptionAnswer(3, 1), ExchangeVerdict::Exception, 1},
        {"exception 04", write, ExceptionAnswer(6, 4), ExchangeVerdict::Exception, 4},
        {"other slave", read, WithCrc({2, 3, 4, 1, 2, 3, 4}), ExchangeVerdict::Inconsistent, 0},
        {"other function", read, WithCrc({1, 4, 4, 1, 2, 3, 4}), ExchangeVerdict::Inconsistent, 0},
        {"lying count", read, WithCrc({1, 3, 6, 1, 2, 3, 4}), ExchangeVerdict::Inconsistent, 0},
        {"good write", write, write, ExchangeVerdict::Ok, 0},
        {"other value", write, WriteOne(0x5001, 4), ExchangeVerdict::Inconsistent, 0},
        {"other address", write, WriteOne(0x5002, 3), ExchangeVerdict::Inconsistent, 0},
        {"good write many", many, WithCrc({1, 16, 0x70, 0x21, 0, 2}), ExchangeVerdict::Ok, 0},
        {"other quantity", many, WithCrc({1, 16, 0x70, 0x21, 0, 3}), ExchangeVerdict::Inconsistent,
         0},
    };
    for (const VerdictCase& c : cases) {
        uint8_t code = 0xEE;
        const size_t expected = c.request[1] == 3 ? 2u * c.request[5] + 5 : 8;
        EXPECT_EQ(ClassifyAnswer(0, c.request.data(), c.request.size() - 2, c.answer.data(),
                                 c.answer.size(), expected, &code),
                  c.verdict)
            << c.name;
        EXPECT_EQ(code, c.exceptionCode) << c.name;
    }
    EXPECT_EQ(ClassifyAnswer(kModbusPortClosed, nullptr, 0, nullptr, 0, 8, nullptr),
              ExchangeVerdict::Refused);
}

struct Recorder : ExchangeObserver {
    struct Seen {
        Bytes request;
        Bytes answer;
        ExchangeVerdict verdict;
        uint8_t code;
        int status;
        bool timed;
    };
    std::vector<Seen> seen;
    void OnExchange(const ExchangeRecord& r) override {
        seen.push_back({Bytes(r.request, r.request + r.requestLength),
                        Bytes(r.answer, r.answer + r.answerLength), r.verdict, r.exceptionCode,
                        r.status,
                        r.startMonotonicNs > 0 && r.startWallNs > 0 && r.durationNs >= 0});
    }
};

class SessionScripted : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_slave.Start());
        ASSERT_EQ(m_port.OpenDevice(m_slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        m_session.AddObserver(&m_recorder);
    }
    ScriptedSlave m_slave;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    Recorder m_recorder;
};

TEST_F(SessionScripted, ObserverSeesFramesAsSentAndReceived) {
    m_slave.Queue(ReadAnswer({0x00, 0x05}));
    m_slave.Queue(ExceptionAnswer(6, 2));
    uint16_t word = 0;
    EXPECT_EQ(m_session.ReadEvents(&word), kModuleOk);
    EXPECT_EQ(word, 5);
    EXPECT_EQ(m_session.WriteDeviceMode(3), kModuleFailed);
    EXPECT_EQ(m_session.lastVerdict(), ExchangeVerdict::Exception);

    ASSERT_EQ(m_recorder.seen.size(), 2u);
    EXPECT_EQ(m_recorder.seen[0].request, ReadRequest(0x500A, 1));
    EXPECT_EQ(m_recorder.seen[0].answer, ReadAnswer({0x00, 0x05}));
    EXPECT_EQ(m_recorder.seen[0].verdict, ExchangeVerdict::Ok);
    EXPECT_TRUE(m_recorder.seen[0].timed);
    EXPECT_EQ(m_recorder.seen[1].request, WriteOne(0x5001, 3));
    EXPECT_EQ(m_recorder.seen[1].verdict, ExchangeVerdict::Exception);
    EXPECT_EQ(m_recorder.seen[1].code, 2);
    EXPECT_EQ(m_session.exchangeCount(), 2u);
    EXPECT_EQ(m_session.nestedExchangeCount(), 0u);

    // A request that cannot be framed is reported without a frame.
    m_recorder.seen.clear();
    uint8_t area[144] = {};
    EXPECT_EQ(m_session.WriteInputData(area, 145), kModuleRequestTooLarge);
    m_port.Close();
    EXPECT_EQ(m_session.ReadEvents(&word), kModulePortClosed);
    ASSERT_EQ(m_recorder.seen.size(), 1u);
    EXPECT_TRUE(m_recorder.seen[0].request.empty());
    EXPECT_EQ(m_recorder.seen[0].verdict, ExchangeVerdict::Refused);
    EXPECT_EQ(m_recorder.seen[0].status, kModulePortClosed);
}

TEST_F(SessionScripted, HeldBlocksKeepWhatAShortAnswerDoesNotCarry) {
    m_slave.Queue(ReadAnswer({0x12, 0x34, 0x56, 0x78}));
    m_slave.Queue(ReadAnswer({0x12, 0x34}));
    uint8_t general[62];
    std::fill(general, general + sizeof general, 0xAA);
    size_t length = 0;
    ASSERT_EQ(m_session.ReadGeneralBlock(general, &length), kModuleOk);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(general[0], 0x34);  // held low byte first
    EXPECT_EQ(general[1], 0x12);
    EXPECT_EQ(general[3], 0x56);
    EXPECT_EQ(general[4], 0xAA);

    uint8_t fieldbus[132] = {};
    ASSERT_EQ(m_session.ReadFieldbusBlock(fieldbus), kModuleOk);
    EXPECT_EQ(fieldbus[0], 0x12);  // wire order
    EXPECT_EQ(fieldbus[1], 0x34);
}

TEST_F(SessionScripted, ModuleTypeNeedsBothRegisters) {
    m_slave.Queue(ReadAnswer({0x02, 0x01, 0x00, 0x00}));
    m_slave.Queue(ReadAnswer({0x02, 0x01}));
    uint16_t type = 0;
    EXPECT_EQ(m_session.ReadModuleType(&type), kModuleOk);
    EXPECT_EQ(type, 0x0201);
    EXPECT_EQ(m_session.ReadModuleType(&type), kModuleFailed);
    EXPECT_EQ(m_slave.Requests().back(), ReadRequest(0x5003, 2));
}

}  // namespace

namespace {

// While a freshly opened port does not know whether its line echoes, the
// first write is preceded by a read of the module type; once the line has
// shown its echo (or its absence), writes go alone.
TEST(SessionEcho, FirstWriteOnAFreshPortIsPrecededByTheProbeRead) {
    for (const bool echo : {false, true}) {
        SCOPED_TRACE(echo ? "echoing line" : "plain line");
        ScriptedSlave slave;
        slave.SetEcho(echo);
        ASSERT_TRUE(slave.Start());
        CSerialPort port;
        ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        ModuleSession session(&port);
        slave.Queue(ReadAnswer({0x02, 0x01, 0x00, 0x00}));
        slave.Queue(WriteOne(0x5001, 3));
        slave.Queue(WriteOne(0x5001, 0));

        EXPECT_EQ(session.WriteDeviceMode(3), kModuleOk);
        EXPECT_EQ(port.GetEchoState(),
                  echo ? CSerialPort::EchoState::Present : CSerialPort::EchoState::Absent);
        EXPECT_EQ(session.WriteDeviceMode(0), kModuleOk);
        const std::vector<Bytes> expected = {ReadRequest(0x5003, 2), WriteOne(0x5001, 3),
                                             WriteOne(0x5001, 0)};
        EXPECT_EQ(slave.Requests(), expected);
        EXPECT_EQ(session.echoProbeCount(), 1u);

        // Reopening starts over; a read settles the state without a probe.
        port.Close();
        ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        EXPECT_EQ(port.GetEchoState(), CSerialPort::EchoState::Unknown);
        slave.Queue(ReadAnswer({0x00, 0x00}));
        slave.Queue(WriteOne(0x5001, 4));
        uint16_t word = 0;
        EXPECT_EQ(session.ReadEvents(&word), kModuleOk);
        EXPECT_EQ(session.WriteDeviceMode(4), kModuleOk);
        EXPECT_EQ(session.echoProbeCount(), 1u);
        EXPECT_EQ(slave.Requests().size(), 5u);
    }
}

// A module that missed the read before a write gets a second; when it
// misses both, an answer that is only the write's copy could as well be the
// adapter's echo, and the write is not taken as done.
TEST(SessionEcho, SecondProbeThenAWriteThatCannotBeToldFromItsEcho) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    CSerialPort port;
    ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
    ModuleSession session(&port);
    slave.Queue({});
    slave.Queue(ReadAnswer({0x02, 0x01, 0x00, 0x01}));
    slave.Queue(WriteOne(0x5001, 3));
    EXPECT_EQ(session.WriteDeviceMode(3), kModuleOk);
    EXPECT_EQ(session.echoProbeCount(), 2u);
    EXPECT_EQ(port.GetEchoState(), CSerialPort::EchoState::Absent);

    port.Close();
    ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
    slave.Queue({});
    slave.Queue({});
    slave.Queue(WriteOne(0x5001, 4));
    EXPECT_EQ(session.WriteDeviceMode(4), kModuleFailed);
    EXPECT_EQ(session.lastVerdict(), ExchangeVerdict::EchoUndecided);
    EXPECT_EQ(session.echoProbeCount(), 4u);
    EXPECT_EQ(slave.Requests().back(), WriteOne(0x5001, 4));
}

// A first frame that is neither a clean echo nor a whole answer tells
// nothing about the echo; behind an adapter that does echo, a write to a
// silent module must then still fail.
TEST(SessionEcho, NoisyFirstFrameLeavesTheEchoUnknown) {
    const Bytes probe = ReadRequest(0x5003, 2);
    const Bytes answer = ReadAnswer({0x02, 0x01, 0x00, 0x01});
    Bytes stray = {0x00};
    stray.insert(stray.end(), probe.begin(), probe.end());
    Bytes damaged = probe;
    damaged[3] ^= 0x10;
    for (Bytes noisy : {stray, damaged}) {
        noisy.insert(noisy.end(), answer.begin(), answer.end());
        ScriptedSlave slave;
        ASSERT_TRUE(slave.Start());
        CSerialPort port;
        ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        ModuleSession session(&port);
        slave.Queue(noisy);
        uint16_t type = 0;
        EXPECT_EQ(session.ReadModuleType(&type), kModuleFailed);
        EXPECT_EQ(port.GetEchoState(), CSerialPort::EchoState::Unknown);

        slave.SetEcho(true);
        EXPECT_EQ(session.WriteDeviceMode(3), kModuleFailed);
        EXPECT_EQ(port.GetEchoState(), CSerialPort::EchoState::Present);
        EXPECT_EQ(session.lastVerdict(), ExchangeVerdict::Timeout);
    }
}

}  // namespace
