// The I/O page's exchanges without the page: frames, the data they carry
// back and the failure counts that stop a timer.

#include <gtest/gtest.h>

#include <algorithm>

#include "cserialport.h"
#include "frames.h"
#include "iopoller.h"
#include "modulesimulator.h"
#include "scriptedslave.h"

namespace {

using Fault = ModuleSimulator::Fault;

class IoPollerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        m_port.SetEchoMode(CSerialPort::EchoMode::Never);
        ASSERT_EQ(m_port.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        // The port reads once before its first write, whatever the echo mode.
        ASSERT_EQ(m_session.ReadModuleType(nullptr), kModuleOk);
        m_sim.ClearRequests();
    }
    Bytes LastRequest() const { return m_sim.Requests().back(); }

    ModuleSimulator m_sim;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    IoPoller m_poller{&m_session};
};

// Each tick starts again from what the grid shows, so a refused write is
// repeated with the same bytes rather than skipped.
TEST_F(IoPollerTest, IncrementModeCountsUpOncePerTickAndRepeatsAFailedStep) {
    uint8_t area[144] = {0x00, 0xFE, 0xFF};
    uint8_t grid[3] = {0x00, 0xFE, 0xFF};
    auto tick = [&] {
        const IoPoller::InputWrite write = m_poller.WriteInput(area, grid, 3, 3, true, true);
        std::copy(write.area, write.area + 144, area);
        // The grid shows what went out.
        if (write.outcome == IoPoller::kDone) std::copy(area, area + 3, grid);
        return write.outcome;
    };
    EXPECT_EQ(tick(), IoPoller::kDone);
    EXPECT_EQ(LastRequest(), WriteMany(0x0001, {0xFF, 0x01, 0x00, 0x00}));  // 01 FF 00
    EXPECT_EQ(tick(), IoPoller::kDone);
    EXPECT_EQ(LastRequest(), WriteMany(0x0001, {0x00, 0x02, 0x00, 0x01}));  // 02 00 01
    m_sim.InjectFault(Fault::Exception);
    EXPECT_EQ(tick(), IoPoller::kFailed);
    EXPECT_EQ(LastRequest(), WriteMany(0x0001, {0x01, 0x03, 0x00, 0x02}));  // 03 01 02, refused
    EXPECT_EQ(tick(), IoPoller::kDone);  // the grid still shows 02 00 01
    EXPECT_EQ(LastRequest(), WriteMany(0x0001, {0x01, 0x03, 0x00, 0x02}));
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_EQ(m_poller.exchangeCount(), 4u);
    EXPECT_EQ(m_poller.failureCount(), 1u);
}

// Only timed exchanges count toward the limit; a good exchange, timed or
// not, starts the count anew; at the limit the next timed one gives up
// without a frame and the count starts again.
TEST_F(IoPollerTest, ThreeTimedFailuresInARowGiveUpAtTheNextTick) {
    m_sim.InjectFault(Fault::Exception, 2);
    EXPECT_EQ(m_poller.ReadOutput(4, true).outcome, IoPoller::kFailed);
    EXPECT_EQ(m_poller.ReadOutput(4, false).outcome, IoPoller::kFailed);
    EXPECT_EQ(m_poller.readFailures(), 1);
    EXPECT_EQ(m_poller.ReadOutput(4, false).outcome, IoPoller::kDone);
    EXPECT_EQ(m_poller.readFailures(), 0);

    m_sim.InjectFault(Fault::Silent, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m_poller.ReadOutput(4, true).outcome, IoPoller::kFailed);
    const size_t sent = m_sim.RequestCount();
    EXPECT_EQ(m_poller.ReadOutput(4, true).outcome, IoPoller::kGaveUp);
    EXPECT_EQ(m_sim.RequestCount(), sent);
    EXPECT_EQ(m_poller.readFailures(), 0);
    const IoPoller::OutputRead read = m_poller.ReadOutput(5, true);
    EXPECT_EQ(read.outcome, IoPoller::kDone);
    EXPECT_EQ(LastRequest(), ReadRequest(0x1001, 3));
    EXPECT_EQ(read.length, 6);
}

TEST(IoPollerScripted, EventAnswerWithOtherByteCountChangesNothing) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    slave.Queue(ReadAnswer({0x02, 0x01}));  // word 0x0201
    slave.Queue(ExceptionAnswer(3, 4));     // one failure
    slave.Queue(ReadAnswer({}));            // good, but no word in it
    CSerialPort port;
    ASSERT_EQ(port.OpenDevice(slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
    ModuleSession session(&port);
    IoPoller poller(&session);

    const IoPoller::EventPoll first = poller.PollEvents();
    EXPECT_EQ(first.outcome, IoPoller::kDone);
    EXPECT_EQ(first.word, 0x0201);
    EXPECT_FALSE(first.changeFieldAsked);
    EXPECT_EQ(poller.PollEvents().outcome, IoPoller::kFailed);
    EXPECT_EQ(poller.eventFailures(), 1);
    EXPECT_EQ(poller.PollEvents().outcome, IoPoller::kPassedOver);
    EXPECT_EQ(slave.Requests().size(), 3u);
    EXPECT_EQ(poller.eventFailures(), 1);
}

}  // namespace
