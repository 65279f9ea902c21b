#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "modulesession.h"
#include "register_map.h"

// The I/O page's exchanges with the module: the interrupt events with the
// change field their I/O bit asks for, the output data read and the input
// data written, once from a button or on each tick of the page's timers
// (1 events, 2 reading, 3 writing). It owns the rule that ends a timer: a
// timed exchange that failed three times in a row is not tried again; the
// next tick gives up instead, and the page stops the timer and says so. The
// page keeps its data, its timers and its controls and hands over what an
// exchange needs by value.
class IoPoller {
public:
    static constexpr int kFailureLimit = 3;
    static constexpr size_t kChangeFieldBytes = 2 * reg::kChangeFieldCount;

    enum Outcome {
        kDone,        // the exchange was accepted
        kFailed,      // it was not: `status` says how
        kPassedOver,  // an event answer without one event word: nothing changes
        kGaveUp,      // the limit was reached: nothing was sent, the counter starts again
    };

    struct EventPoll {
        Outcome outcome = kDone;
        int status = kModuleOk;
        uint16_t word = 0;  // when done
        // The word's I/O bit asked for the change field, read with this status.
        bool changeFieldAsked = false;
        int changeFieldStatus = kModuleOk;
        uint8_t changeField[kChangeFieldBytes] = {};  // zeros beyond the bytes that came
        size_t changeFieldCopied = 0;
    };

    struct OutputRead {
        Outcome outcome = kDone;
        int status = kModuleOk;
        int length = 0;                  // when done: the bytes that came
        uint8_t area[kIoAreaSize] = {};  // when done: those bytes, zeros after them
    };

    struct InputWrite {
        Outcome outcome = kDone;
        int status = kModuleOk;
        int length = 0;                  // bytes sent (the length, within the area)
        uint8_t area[kIoAreaSize] = {};  // the input area as it now stands, sent or not
    };

    explicit IoPoller(ModuleSession* session = nullptr) : m_session(session) {}
    void SetSession(ModuleSession* session) { m_session = session; }

    // The event word (0x500A), and the change field (0x6003 x 9) when the
    // word's I/O bit is set. Each poll runs on a timer: a failed event read
    // only counts.
    EventPoll PollEvents();

    // The output data of `outputLength` bytes (whole registers; the area
    // bounds the length).
    OutputRead ReadOutput(int outputLength, bool timed);

    // The input data: `area` (kIoAreaSize bytes) as the page holds it, the
    // first `shown` bytes of which the grid shows with the user's edits. The
    // shown bytes within `length` replace the held ones; with `increment`
    // every byte of the area is then one higher (0xFF wraps to 0x00), and the
    // first `length` bytes go out.
    InputWrite WriteInput(const uint8_t* area, const uint8_t* shownBytes, int shown, int length,
                          bool increment, bool timed);

    int eventFailures() const { return m_eventFailures; }
    int readFailures() const { return m_readFailures; }
    int writeFailures() const { return m_writeFailures; }
    // Exchanges started, and those that were not accepted, since creation.
    uint64_t exchangeCount() const { return m_exchanges; }
    uint64_t failureCount() const { return m_failures; }

private:
    // Counts the exchange about to start; null while there is no session.
    ModuleSession* Begin();
    // Counts a failed exchange; for a timed one also in its counter.
    void Failed(bool timed, std::atomic<int>* counter);

    ModuleSession* m_session = nullptr;
    // The exchanges run on one thread while a window may read the counts on
    // another.
    std::atomic<int> m_eventFailures{0};
    std::atomic<int> m_readFailures{0};
    std::atomic<int> m_writeFailures{0};
    std::atomic<uint64_t> m_exchanges{0};
    std::atomic<uint64_t> m_failures{0};
};
