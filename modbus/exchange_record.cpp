#include "exchange_record.h"

#include "modbus_rtu.h"
#include "response_check.h"

namespace {

constexpr uint8_t kExceptionBit = 0x80;
constexpr size_t kExceptionFrame = 5;

}  // namespace

ExchangeVerdict ClassifyAnswer(int status, const uint8_t* request, size_t requestLength,
                               const uint8_t* answer, size_t received, size_t expected,
                               uint8_t* exceptionCode) {
    if (exceptionCode != nullptr) *exceptionCode = 0;
    if (status != kModbusOk) return ExchangeVerdict::Refused;
    if (received == 0) return ExchangeVerdict::Timeout;
    if (!ResponseCrcValid(answer, received)) {
        const bool exceptionCut = received >= 2 && requestLength >= 2 &&
                                  answer[1] == static_cast<uint8_t>(request[1] | kExceptionBit);
        const size_t needed = exceptionCut ? kExceptionFrame : expected;
        return received < needed ? ExchangeVerdict::Short : ExchangeVerdict::CrcError;
    }
    if (!IsCompleteAnswer(request, requestLength, answer, received))
        return ExchangeVerdict::Inconsistent;
    if (answer[1] & kExceptionBit) {
        if (exceptionCode != nullptr) *exceptionCode = answer[2];
        return ExchangeVerdict::Exception;
    }
    return ExchangeVerdict::Ok;
}
