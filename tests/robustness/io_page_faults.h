#pragma once

// The I/O page's module operations, the same class in both editions: how
// each is prepared and run in a fault matrix, and what a failure must leave.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "cpropio.h"
#include "fault_cases.h"
#include "interruptindicatorrow.h"
#include "modulewait.h"
#include "mycug.h"

enum IoOperationId { kIoRead = 100, kIoWrite, kPoll, kTimedRead, kTimedWrite };

inline bool IsIoOperation(int id) { return id >= kIoRead; }

inline void AppendIoOperations(std::vector<Operation>* operations) {
    operations->push_back({kIoRead, "ReadData", {"读取输出数据失败!"}});
    operations->push_back({kIoWrite, "WriteData", {"写入输入数据失败!"}});
    // A failed poll is only counted; a failed change-field read is reported.
    operations->push_back({kPoll, "PollEvents", {"", "读取输入数据改变域失败!"}});
    operations->push_back({kTimedRead, "TimedRead", {""}});
    operations->push_back({kTimedWrite, "TimedWrite", {""}});
}

// Timer periods are long enough that no tick comes by itself: the matrix
// drives each tick.
inline void PrepareIoOperation(CPropIo* io, int id) {
    switch (id) {
        case kPoll:
            // A write marks input data changed, so a poll reads the change field too.
            QTest::mouseClick(Child<QPushButton>(io, "writeButton"), Qt::LeftButton);
            WaitForModuleIdle(io);
            QTest::mouseClick(Child<QPushButton>(io, "pollButton"), Qt::LeftButton);
            ASSERT_TRUE(io->polling());
            break;
        case kTimedRead:
            QTest::mouseClick(Child<QCheckBox>(io, "timedReadCheck"), Qt::LeftButton);
            ASSERT_TRUE(io->timedRead());
            break;
        case kTimedWrite:
            QTest::mouseClick(Child<QCheckBox>(io, "timedWriteCheck"), Qt::LeftButton);
            ASSERT_TRUE(io->timedWrite());
            break;
        default:
            break;
    }
}

inline void RunIoOperation(CPropIo* io, int id) {
    switch (id) {
        case kIoRead:
            QTest::mouseClick(Child<QPushButton>(io, "readButton"), Qt::LeftButton);
            break;
        case kIoWrite:
            QTest::mouseClick(Child<QPushButton>(io, "writeButton"), Qt::LeftButton);
            break;
        case kPoll:
            io->OnEventTick();
            break;
        case kTimedRead:
            io->OnReadTick();
            break;
        case kTimedWrite:
            io->OnWriteTick();
            break;
    }
    WaitForModuleIdle(io);
}

// What the page shows before the failing operation.
class IoPageSnapshot {
public:
    explicit IoPageSnapshot(CPropIo* io)
        : m_outputArea(Copy(io->outputArea(), 144)),
          m_outputUsed(io->outputGrid()->used()),
          m_outputLength(io->outputLength()),
          m_inputGrid(Copy(io->inputGrid()->data(), 144)),
          m_inputUsed(io->inputGrid()->used()),
          m_events(io->indicatorRow()->ReadInterruptMask()),
          m_changed(io->changedText()) {}

    // The failing exchange changed nothing it would have changed on success;
    // a timer counts the failure and keeps running.
    void ExpectKept(CPropIo* io, int id, int step) const {
        switch (id) {
            case kIoRead:
            case kTimedRead:
                EXPECT_EQ(Copy(io->outputArea(), 144), m_outputArea);
                EXPECT_EQ(io->outputGrid()->used(), m_outputUsed);
                EXPECT_EQ(io->outputLength(), m_outputLength);
                if (id == kTimedRead) {
                    EXPECT_EQ(io->readFailures(), 1);
                    EXPECT_TRUE(io->timedRead());
                }
                break;
            case kIoWrite:
            case kTimedWrite:
                EXPECT_EQ(Copy(io->inputGrid()->data(), 144), m_inputGrid);
                EXPECT_EQ(io->inputGrid()->used(), m_inputUsed);
                if (id == kTimedWrite) {
                    EXPECT_EQ(io->writeFailures(), 1);
                    EXPECT_TRUE(io->timedWrite());
                }
                break;
            case kPoll:
                EXPECT_TRUE(io->polling());
                if (step == 0) {
                    EXPECT_EQ(io->eventFailures(), 1);
                    EXPECT_EQ(io->indicatorRow()->ReadInterruptMask(), m_events);
                } else {
                    EXPECT_EQ(io->changedText(), m_changed);
                }
                break;
        }
    }

private:
    Bytes m_outputArea;
    int m_outputUsed;
    int m_outputLength;
    Bytes m_inputGrid;
    int m_inputUsed;
    uint16_t m_events;
    std::string m_changed;
};
