// The simulator as a Modbus slave: framing, exceptions, module behaviour and
// the faults it can be told to produce.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "response_check.h"
#include "simclient.h"

namespace {

using Fault = ModuleSimulator::Fault;

class Simulator : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_client.Open(m_sim.DevicePath()));
    }
    ModuleSimulator m_sim;
    SimClient m_client;
};

TEST_F(Simulator, BelievableDefaults) {
    const Bytes general = m_client.Read(0x5001, 31);
    ASSERT_EQ(62, AcceptBlockRead(0, general.data(), general.size(), 62));
    EXPECT_EQ(0x0201, SimClient::Word(general, 2));        // module type
    EXPECT_EQ(1, SimClient::Word(general, 3));             // CANopen
    EXPECT_NE(0, SimClient::Word(general, 4) & 0x0F00);    // status lamps
    EXPECT_EQ(0x06, SimClient::Word(general, 13) & 0xFF);  // UART 115200
    EXPECT_EQ(0x84, SimClient::Word(general, 13) >> 8);    // 1 stop bit, no parity
    EXPECT_EQ(1, SimClient::Word(general, 14));            // Modbus address

    const Bytes io = m_client.Read(0x6001, 2);
    EXPECT_EQ(16, SimClient::Word(io, 0));
    EXPECT_EQ(16, SimClient::Word(io, 1));

    const Bytes fieldbus = m_client.Read(0x7001, 66);
    ASSERT_EQ(132, AcceptBlockRead(0, fieldbus.data(), fieldbus.size(), 132));
    EXPECT_EQ(127, SimClient::Word(fieldbus, 1));  // pre-operational
    EXPECT_EQ(0x0025, SimClient::Word(fieldbus, 3));
    EXPECT_EQ(2, SimClient::Word(fieldbus, 5));
    // Product name: character 2k in the low byte of register 0x7011 + k.
    std::string name;
    for (size_t k = 16; k < 32; ++k) {
        const uint16_t word = SimClient::Word(fieldbus, k);
        for (char c : {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)})
            if (c != 0) name += c;
    }
    EXPECT_EQ("VX31-CANopen", name);
    int errorBytes = 0;
    for (size_t k = 34; k < 46; ++k) errorBytes += SimClient::Word(fieldbus, k) != 0;
    EXPECT_GT(errorBytes, 6);
}

TEST_F(Simulator, ExceptionsForFunctionsAddressesAndValues) {
    struct Case {
        const char* name;
        Bytes answer;
        Bytes expected;
    } cases[] = {
        {"function 4", m_client.Read(0x5001, 1, 4), ExceptionAnswer(4, 1)},
        {"address 0", m_client.Read(0x0000, 1), ExceptionAnswer(3, 2)},
        {"past the input data", m_client.Read(0x0048, 2), ExceptionAnswer(3, 2)},
        {"past the general block", m_client.Read(0x501F, 2), ExceptionAnswer(3, 2)},
        {"past the network time", m_client.Read(0x7045, 2), ExceptionAnswer(3, 2)},
        {"unmapped write", m_client.WriteOne(0x9000, 1), ExceptionAnswer(6, 2)},
        {"network time is read-only", m_client.WriteOne(0x7043, 1), ExceptionAnswer(6, 2)},
        {"device mode 1", m_client.WriteOne(0x5001, 1), ExceptionAnswer(6, 3)},
        {"input length 145", m_client.WriteMany(0x6001, {145, 16}), ExceptionAnswer(16, 3)},
        {"read of 0 registers", m_client.Read(0x5001, 0), ExceptionAnswer(3, 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.answer) << c.name;

    // A function we do not know has no length rule; its frame ends at the
    // next silence and is refused with exception 1.
    const Bytes unknown = m_client.Raw(WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00}), 255);
    EXPECT_EQ(ExceptionAnswer(0x2B, 1), unknown);
    EXPECT_EQ(0, m_sim.Register(0x5001));
    EXPECT_EQ(16, m_sim.Register(0x6001));
}

TEST_F(Simulator, IgnoresOtherSlavesAndDamagedFramesThenResynchronises) {
    Bytes otherSlave = WithCrc({0x02, 0x03, 0x50, 0x01, 0x00, 0x01});
    EXPECT_TRUE(m_client.Raw(otherSlave, 7).empty());
    Bytes damaged = WithCrc({0x01, 0x06, 0x50, 0x01, 0x00, 0x03});
    damaged[7] ^= 0xFF;
    EXPECT_TRUE(m_client.Raw(damaged, 8).empty());
    EXPECT_EQ(0, m_sim.Register(0x5001));
    // A stray byte ahead of a frame shifts it: the frame is lost, the line
    // recovers after the silence.
    Bytes shifted = {0x00};
    const Bytes good = ReadRequest(0x5003, 1);
    shifted.insert(shifted.end(), good.begin(), good.end());
    EXPECT_TRUE(m_client.Raw(shifted, 7).empty());
    EXPECT_EQ(ReadAnswer({0x02, 0x01}), m_client.Raw(good, 7));
    EXPECT_EQ(4u, m_sim.RequestCount());
    EXPECT_EQ(otherSlave, m_sim.Requests()[0]);
    EXPECT_EQ(damaged, m_sim.Requests()[1]);
}

TEST_F(Simulator, DeviceModeCommands) {
    EXPECT_TRUE(IsGoodResponse(0, m_client.WriteMany(0x5011, {42}).data(), 8, 16));
    EXPECT_EQ(42, m_sim.Register(0x5011));
    m_client.Read(0x500A, 1);  // clear the events
    for (uint16_t mode : {0, 3}) {
        const Bytes answer = m_client.WriteOne(0x5001, mode);
        EXPECT_EQ(WriteOne(0x5001, mode), answer);
        EXPECT_EQ(mode, m_sim.Register(0x5001));
    }
    EXPECT_EQ(0x0001, m_sim.Register(0x500A));  // restarted: START
    EXPECT_EQ(42, m_sim.Register(0x5011));
    m_client.WriteOne(0x5001, 4);  // factory defaults
    EXPECT_EQ(1000, m_sim.Register(0x5011));
    EXPECT_EQ(4, m_sim.Register(0x5001));
}

TEST_F(Simulator, InputDataRaisesEventsAndChangeBits) {
    ASSERT_EQ(ReadAnswer({0x00, 0x01}), m_client.Read(0x500A, 1));
    EXPECT_EQ(ReadAnswer({0x00, 0x00}), m_client.Read(0x500A, 1));

    // Registers 1-4 are group 0, register 5 group 1; register 0x41 (bytes
    // 128-129) is group 16, bit 0 of the second change register.
    m_client.WriteMany(0x0001, {0x1111, 0, 0, 0, 0x5555});
    m_client.WriteOne(0x0041, 0xABCD);
    const Bytes events = m_client.Read(0x500A, 1);
    uint16_t word = 0;
    ASSERT_EQ(EventReadResult::Ok, AcceptEventWord(0, events.data(), events.size(), &word));
    EXPECT_EQ(0x0008, word);
    const Bytes change = m_client.Read(0x6003, 9);
    ASSERT_EQ(23u, change.size());
    EXPECT_EQ(0x0003, SimClient::Word(change, 0));
    EXPECT_EQ(0x0001, SimClient::Word(change, 1));
    for (size_t k = 2; k < 9; ++k) EXPECT_EQ(0, SimClient::Word(change, k));

    const Bytes output = m_client.Read(0x1001, 5);
    EXPECT_EQ(0x1111, SimClient::Word(output, 0));
    EXPECT_EQ(0x5555, SimClient::Word(output, 4));
    EXPECT_EQ(0xABCD, m_sim.Register(0x1041));

    // Both were reported once; writing the same data again is still traffic
    // but changes no group.
    m_client.WriteMany(0x0001, {0x1111, 0, 0, 0, 0x5555});
    EXPECT_EQ(0x0008, m_sim.Register(0x500A));
    EXPECT_EQ(0, m_sim.Register(0x6003));
    EXPECT_EQ(0, m_sim.Register(0x6004));
}

TEST_F(Simulator, PasswordGuardsTheDeviceInformation) {
    const std::vector<uint16_t> info(22, 0x4141);
    EXPECT_EQ(ExceptionAnswer(16, 3), m_client.WriteMany(0x700B, info));
    EXPECT_EQ(ExceptionAnswer(6, 3), m_client.WriteOne(0x7011, 0x4142));
    EXPECT_EQ(ExceptionAnswer(6, 3), m_client.WriteOne(0x7003, 0x4321));
    EXPECT_EQ(0x03A5, m_sim.Register(0x700C));

    EXPECT_TRUE(IsGoodResponse(0, m_client.WriteOne(0x7003, 0x1234).data(), 8, 6));
    const Bytes accepted = m_client.WriteMany(0x700B, info);
    EXPECT_EQ(WithCrc({0x01, 0x10, 0x70, 0x0B, 0x00, 0x16}), accepted);
    EXPECT_EQ(0x4141, m_sim.Register(0x7020));
    EXPECT_EQ(0, m_sim.Register(0x7003));  // never shown back

    // A wrong password locks it again.
    m_client.WriteOne(0x7003, 0x0000);
    EXPECT_EQ(ExceptionAnswer(6, 3), m_client.WriteOne(0x700B, 0));
}

TEST_F(Simulator, NetworkTimeFollowsTheHostClock) {
    const Bytes answer = m_client.Read(0x7043, 3);
    uint32_t ms = 0;
    uint16_t days = 0;
    ASSERT_TRUE(AcceptNetworkTime(0, answer.data(), answer.size(), &ms, &days));

    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    tm midnight{};
    midnight.tm_year = local.tm_year;
    midnight.tm_mon = local.tm_mon;
    midnight.tm_mday = local.tm_mday;
    tm epoch{};
    epoch.tm_year = 84;
    epoch.tm_mday = 1;
    const long today = static_cast<long>((timegm(&midnight) - timegm(&epoch)) / 86400);
    const long sinceMidnight = (local.tm_hour * 60L + local.tm_min) * 60 + local.tm_sec;
    // Either side of midnight the day may differ by one.
    EXPECT_LE(std::labs(today - days), 1);
    if (today == days) {
        EXPECT_LE(std::labs(sinceMidnight - static_cast<long>(ms / 1000)), 2);
    }
    EXPECT_LT(ms, 86400000u);
}

TEST_F(Simulator, FaultsShapeTheAnswer) {
    const Bytes good = m_client.Read(0x5003, 2);
    ASSERT_EQ(9u, good.size());

    m_sim.InjectFault(Fault::Exception, 1, 6);
    EXPECT_EQ(ExceptionAnswer(3, 6), m_client.Read(0x5003, 2));
    m_sim.InjectFault(Fault::Exception);
    EXPECT_EQ(ExceptionAnswer(3, 4), m_client.Read(0x5003, 2));

    m_sim.InjectFault(Fault::Truncated, 1, 4);
    EXPECT_EQ(Bytes(good.begin(), good.end() - 4), m_client.Read(0x5003, 2));

    m_sim.InjectFault(Fault::Garbage, 1, 2);
    const Bytes noisy = m_client.Raw(ReadRequest(0x5003, 2), 11);
    ASSERT_EQ(11u, noisy.size());
    EXPECT_EQ(good, Bytes(noisy.begin() + 2, noisy.end()));

    m_sim.InjectFault(Fault::BadCrc);
    const Bytes damaged = m_client.Read(0x5003, 2);
    EXPECT_EQ(Bytes(good.begin(), good.end() - 2), Bytes(damaged.begin(), damaged.end() - 2));
    EXPECT_FALSE(ResponseCrcValid(damaged.data(), damaged.size()));

    // Slow bytes and a delay both run far past the 117 ms time-out, so that
    // a client held up by a busy machine still gives up before they arrive.
    // The simulator finishes each late answer before it reads on.
    auto awaitAnswers = [this](uint64_t n) {
        for (int i = 0; i < 1000 && m_sim.AnswersSent() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    m_sim.InjectFault(Fault::SlowBytes, 1, 80);
    const uint64_t sent = m_sim.AnswersSent();
    const Bytes slow = m_client.Read(0x5003, 2);
    EXPECT_LT(slow.size(), 9u);
    EXPECT_EQ(Bytes(good.begin(), good.begin() + static_cast<long>(slow.size())), slow);
    awaitAnswers(sent + 1);
    m_sim.InjectFault(Fault::Delay, 1, 800);
    EXPECT_TRUE(m_client.Read(0x5003, 2).empty());
    awaitAnswers(sent + 2);

    EXPECT_EQ(good, m_client.Read(0x5003, 2));
}

TEST_F(Simulator, LostRequestsChangeNothingDamagedAnswersDo) {
    m_sim.InjectFault(Fault::Silent);
    EXPECT_TRUE(m_client.WriteOne(0x5011, 7).empty());
    m_sim.InjectFault(Fault::Exception);
    EXPECT_EQ(ExceptionAnswer(6, 4), m_client.WriteOne(0x5011, 8));
    EXPECT_EQ(1000, m_sim.Register(0x5011));
    m_sim.InjectFault(Fault::BadCrc);
    m_client.WriteOne(0x5011, 9);
    EXPECT_EQ(9, m_sim.Register(0x5011));
}

TEST_F(Simulator, QueuedAndRandomFaults) {
    m_sim.InjectFault(Fault::Silent, 2);
    EXPECT_TRUE(m_client.Read(0x5001, 1).empty());
    EXPECT_TRUE(m_client.Read(0x5001, 1).empty());
    EXPECT_EQ(7u, m_client.Read(0x5001, 1).size());

    m_sim.SetRandomFaultRate(1.0, 7);
    for (int i = 0; i < 10; ++i) {
        const Bytes answer = m_client.Read(0x5003, 1);
        EXPECT_FALSE(IsGoodResponse(0, answer.data(), answer.size(), 3)) << i;
    }
    m_sim.ClearFaults();
    const Bytes answer = m_client.Read(0x5003, 1);
    EXPECT_TRUE(IsGoodResponse(0, answer.data(), answer.size(), 3));
}

TEST_F(Simulator, PacedAnswersTakeTheirWireTime) {
    m_sim.Stop();
    ModuleSimulator::Options options;
    options.baud = 9600;
    ASSERT_TRUE(m_sim.Start(options));
    SimClient client;
    ASSERT_TRUE(client.Open(m_sim.DevicePath(), 9600));
    const auto begin = std::chrono::steady_clock::now();
    const Bytes answer = client.Read(0x5001, 31);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(67u, answer.size());
    EXPECT_GE(ms, (8 + 67) * 10 * 1000.0 / 9600 - 1.0);
}

}  // namespace
