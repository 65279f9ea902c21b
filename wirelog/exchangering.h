#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exchange_record.h"

// The last exchanges, copied out of the observer call and kept in a ring of
// fixed capacity: when it is full, each new exchange drops the oldest. Each
// exchange stands for WireRowCount rows, so that a view can address rows.
class ExchangeRing {
public:
    static constexpr size_t kDefaultCapacity = 10000;

    explicit ExchangeRing(size_t capacity = kDefaultCapacity);

    size_t capacity() const { return m_slots.size(); }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    void Push(const ExchangeRecord& record);
    // Drops the n oldest exchanges (all of them when n >= size).
    void DropFront(size_t n);
    void Clear();

    // Exchange i, 0 being the oldest kept. The pointers in the record stay
    // valid until that exchange is dropped or overwritten.
    ExchangeRecord At(size_t i) const;

    // Rows of all kept exchanges, and of the n oldest.
    size_t RowCount() const { return RowsOfFirst(m_size); }
    size_t RowsOfFirst(size_t n) const;
    // The exchange that holds row `row` (< RowCount()) and the row's part in
    // it (0 = the request).
    size_t ExchangeOfRow(size_t row, int* part) const;

private:
    struct Slot {
        // The request, the echo, the answer, then the network frames.
        std::vector<uint8_t> bytes;
        size_t requestLength = 0;
        size_t answerLength = 0;
        size_t echoLength = 0;
        size_t echoKept = 0;  // echo bytes held (none when only the count was told)
        bool onNetwork = false;
        size_t wireRequestLength = 0;
        size_t wireAnswerLength = 0;
        int status = 0;
        ExchangeVerdict verdict = ExchangeVerdict::Ok;
        uint8_t exceptionCode = 0;
        int64_t startMonotonicNs = 0;
        int64_t startWallNs = 0;
        int64_t durationNs = 0;
        uint64_t firstRow = 0;  // counted from the last Clear
        int rows = 0;
    };

    const Slot& SlotAt(size_t i) const { return m_slots[(m_head + i) % m_slots.size()]; }

    std::vector<Slot> m_slots;
    size_t m_head = 0;
    size_t m_size = 0;
    uint64_t m_nextRow = 0;
};
