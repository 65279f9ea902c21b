#include "exchangering.h"

#include "wire_log.h"

ExchangeRing::ExchangeRing(size_t capacity) : m_slots(capacity > 0 ? capacity : 1) {}

void ExchangeRing::Push(const ExchangeRecord& record) {
    if (m_size == m_slots.size()) DropFront(1);
    Slot& slot = m_slots[(m_head + m_size) % m_slots.size()];
    // assign() keeps the slot's buffer, so a full ring no longer allocates.
    slot.bytes.assign(record.request, record.request + record.requestLength);
    const size_t echoKept = record.echo != nullptr ? record.echoLength : 0;
    slot.bytes.insert(slot.bytes.end(), record.echo, record.echo + echoKept);
    slot.bytes.insert(slot.bytes.end(), record.answer, record.answer + record.answerLength);
    slot.onNetwork = record.wireRequest != nullptr;
    slot.wireRequestLength = slot.onNetwork ? record.wireRequestLength : 0;
    slot.wireAnswerLength = slot.onNetwork ? record.wireAnswerLength : 0;
    if (slot.onNetwork) {
        slot.bytes.insert(slot.bytes.end(), record.wireRequest,
                          record.wireRequest + record.wireRequestLength);
        slot.bytes.insert(slot.bytes.end(), record.wireAnswer,
                          record.wireAnswer + record.wireAnswerLength);
    }
    slot.requestLength = record.requestLength;
    slot.answerLength = record.answerLength;
    slot.echoLength = record.echoLength;
    slot.echoKept = echoKept;
    slot.status = record.status;
    slot.verdict = record.verdict;
    slot.exceptionCode = record.exceptionCode;
    slot.startMonotonicNs = record.startMonotonicNs;
    slot.startWallNs = record.startWallNs;
    slot.durationNs = record.durationNs;
    slot.firstRow = m_nextRow;
    slot.rows = WireRowCount(record);
    m_nextRow += static_cast<uint64_t>(slot.rows);
    ++m_size;
}

void ExchangeRing::DropFront(size_t n) {
    if (n >= m_size) {
        m_head = (m_head + m_size) % m_slots.size();
        m_size = 0;
        return;
    }
    m_head = (m_head + n) % m_slots.size();
    m_size -= n;
}

void ExchangeRing::Clear() {
    m_head = 0;
    m_size = 0;
    m_nextRow = 0;
}

ExchangeRecord ExchangeRing::At(size_t i) const {
    const Slot& slot = SlotAt(i);
    ExchangeRecord record;
    record.request = slot.bytes.data();
    record.requestLength = slot.requestLength;
    record.echo = slot.echoKept > 0 ? slot.bytes.data() + slot.requestLength : nullptr;
    record.echoLength = slot.echoLength;
    record.answer = slot.bytes.data() + slot.requestLength + slot.echoKept;
    record.answerLength = slot.answerLength;
    if (slot.onNetwork) {
        const uint8_t* wire =
            slot.bytes.data() + slot.requestLength + slot.echoKept + slot.answerLength;
        record.wireRequest = wire;
        record.wireRequestLength = slot.wireRequestLength;
        record.wireAnswer = wire + slot.wireRequestLength;
        record.wireAnswerLength = slot.wireAnswerLength;
    }
    record.status = slot.status;
    record.verdict = slot.verdict;
    record.exceptionCode = slot.exceptionCode;
    record.startMonotonicNs = slot.startMonotonicNs;
    record.startWallNs = slot.startWallNs;
    record.durationNs = slot.durationNs;
    return record;
}

size_t ExchangeRing::RowsOfFirst(size_t n) const {
    if (n == 0 || m_size == 0) return 0;
    if (n >= m_size) n = m_size;
    const Slot& last = SlotAt(n - 1);
    return static_cast<size_t>(last.firstRow + static_cast<uint64_t>(last.rows) -
                               SlotAt(0).firstRow);
}

size_t ExchangeRing::ExchangeOfRow(size_t row, int* part) const {
    const uint64_t target = SlotAt(0).firstRow + row;
    // The last exchange whose first row is not after the target.
    size_t low = 0;
    size_t high = m_size;
    while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (SlotAt(middle).firstRow <= target)
            low = middle;
        else
            high = middle;
    }
    if (part != nullptr) *part = static_cast<int>(target - SlotAt(low).firstRow);
    return low;
}
