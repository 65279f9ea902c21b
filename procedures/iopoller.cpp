#include "iopoller.h"

#include <algorithm>
#include <cstring>

namespace {

// A length as the data operations use it: a block or a box may give more
// than the areas hold, but nothing is read or written beyond them.
int AreaLength(int length) {
    return std::clamp(length, 0, static_cast<int>(kIoAreaSize));
}

}  // namespace

ModuleSession* IoPoller::Begin() {
    ++m_exchanges;
    return m_session;
}

void IoPoller::Failed(bool timed, std::atomic<int>* counter) {
    ++m_failures;
    if (timed) ++*counter;
}

IoPoller::EventPoll IoPoller::PollEvents() {
    EventPoll poll;
    if (m_eventFailures >= kFailureLimit) {
        m_eventFailures = 0;
        poll.outcome = kGaveUp;
        return poll;
    }
    ModuleSession* session = Begin();
    poll.status = session ? session->ReadEvents(&poll.word) : kModulePortClosed;
    if (poll.status == kModuleIgnored) {
        poll.outcome = kPassedOver;
        return poll;
    }
    if (poll.status != kModuleOk) {
        poll.outcome = kFailed;
        Failed(true, &m_eventFailures);
        return poll;
    }
    if (poll.word & kInterruptBitIo) {
        poll.changeFieldAsked = true;
        session = Begin();
        poll.changeFieldStatus =
            session ? session->ReadChangeField(poll.changeField, &poll.changeFieldCopied)
                    : kModulePortClosed;
        // A failed change field is reported at once; it is no failed poll.
        if (poll.changeFieldStatus != kModuleOk) Failed(false, nullptr);
    }
    m_eventFailures = 0;
    return poll;
}

IoPoller::OutputRead IoPoller::ReadOutput(int outputLength, bool timed) {
    OutputRead read;
    if (timed && m_readFailures >= kFailureLimit) {
        m_readFailures = 0;
        read.outcome = kGaveUp;
        return read;
    }
    ModuleSession* session = Begin();
    const uint32_t quantity = RegistersForBytes(AreaLength(outputLength));
    read.status =
        session ? session->ReadOutputData(quantity, read.area, &read.length) : kModulePortClosed;
    if (read.status != kModuleOk) {
        read.outcome = kFailed;
        read.length = 0;
        std::memset(read.area, 0, sizeof read.area);
        Failed(timed, &m_readFailures);
        return read;
    }
    m_readFailures = 0;
    return read;
}

IoPoller::InputWrite IoPoller::WriteInput(const uint8_t* area, const uint8_t* shownBytes, int shown,
                                          int length, bool increment, bool timed) {
    InputWrite write;
    std::memcpy(write.area, area, sizeof write.area);
    if (timed && m_writeFailures >= kFailureLimit) {
        m_writeFailures = 0;
        write.outcome = kGaveUp;
        return write;
    }
    write.length = AreaLength(length);
    // The grid may show more bytes than the length (after it was lowered) or
    // fewer (after it was raised); either way the shown bytes within the
    // length carry the user's edits.
    const int fromGrid = std::clamp(shown, 0, write.length);
    if (fromGrid > 0) std::memcpy(write.area, shownBytes, static_cast<size_t>(fromGrid));
    if (increment) {
        for (uint8_t& byte : write.area) byte = static_cast<uint8_t>(byte + 1);
    }
    ModuleSession* session = Begin();
    write.status = session ? session->WriteInputData(write.area, write.length) : kModulePortClosed;
    if (write.status != kModuleOk) {
        write.outcome = kFailed;
        Failed(timed, &m_writeFailures);
        return write;
    }
    m_writeFailures = 0;
    return write;
}
