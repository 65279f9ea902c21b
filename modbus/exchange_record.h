#pragma once

#include <cstddef>
#include <cstdint>

// How one exchange ended, as a wire monitor shows it.
enum class ExchangeVerdict {
    Ok,
    Timeout,       // nothing came back
    Short,         // fewer bytes than the answer needs, CRC not valid
    CrcError,      // a whole answer whose CRC is wrong
    Exception,     // a valid exception answer (see exceptionCode)
    Inconsistent,  // a valid frame that does not answer the request
    Refused,       // nothing was sent (port closed, request too large)
    // Only a copy of a single-register write came back while the line's
    // echo was unknown: the module's answer and the adapter's echo look the
    // same, so the write cannot be counted as done.
    EchoUndecided,
};

// What an observer receives after each exchange. The pointers are valid only
// during the call.
struct ExchangeRecord {
    const uint8_t* request = nullptr;  // frame as sent, CRC included
    size_t requestLength = 0;          // 0 when refused
    const uint8_t* answer = nullptr;   // bytes received, local echo removed
    size_t answerLength = 0;
    const uint8_t* echo = nullptr;  // local echo dropped ahead of the answer
    size_t echoLength = 0;
    // On a Modbus TCP line, the MBAP frames that really crossed the network
    // (the request and answer above are their RTU form); null elsewhere.
    const uint8_t* wireRequest = nullptr;
    size_t wireRequestLength = 0;
    const uint8_t* wireAnswer = nullptr;
    size_t wireAnswerLength = 0;
    int status = 0;  // kModbusOk or the refusal's status
    ExchangeVerdict verdict = ExchangeVerdict::Ok;
    uint8_t exceptionCode = 0;
    int64_t startMonotonicNs = 0;  // CLOCK_MONOTONIC when the exchange began
    int64_t startWallNs = 0;       // CLOCK_REALTIME at the same moment
    int64_t durationNs = 0;        // until the last byte arrived (or the read gave up)
};

class ExchangeObserver {
public:
    virtual ~ExchangeObserver() = default;
    virtual void OnExchange(const ExchangeRecord& record) = 0;
};

// Verdict of an answer to `request` (frame without CRC). Pure: used by the
// session and by tests.
ExchangeVerdict ClassifyAnswer(int status, const uint8_t* request, size_t requestLength,
                               const uint8_t* answer, size_t received, size_t expected,
                               uint8_t* exceptionCode);
