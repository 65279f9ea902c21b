#include "rtu_frame.h"

namespace {

// Address and function code before the CRC: the shortest frame that says
// anything.
constexpr size_t kShortestFrame = 4;
// Address, function code and byte count before the data; CRC after it.
constexpr size_t kReadOverhead = 5;
// Slave address, function code and the two register words that a write
// answer repeats.
constexpr size_t kRequestHead = 6;
constexpr uint8_t kExceptionBit = 0x80;
constexpr size_t kExceptionLength = 5;
constexpr size_t kWriteAnswerLength = 8;

bool IsReadFunction(uint8_t function) {
    return function == 3 || function == 4;
}

bool IsWriteFunction(uint8_t function) {
    return function == 6 || function == 16;
}

bool IsException(const uint8_t* response, uint8_t function) {
    return response[1] == static_cast<uint8_t>(function | kExceptionBit);
}

}  // namespace

uint16_t Crc16Modbus(const uint8_t* bytes, size_t n) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            if (crc & 1)
                crc = static_cast<uint16_t>((crc >> 1) ^ 0xA001);
            else
                crc = static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

bool AnswerMatchesRequest(const uint8_t* requestFrame, size_t requestLength,
                          const uint8_t* response, size_t received) {
    if (requestFrame == nullptr || response == nullptr) return false;
    if (requestLength < 2 || received < 2) return false;
    const uint8_t function = requestFrame[1];
    if (response[0] != requestFrame[0]) return false;
    if (IsException(response, function)) return true;
    if (response[1] != function) return false;
    if (!IsWriteFunction(function)) return true;
    // Function 6 repeats address and value, 16 address and quantity: the same
    // four bytes of the request in both cases.
    if (requestLength < kRequestHead || received < kRequestHead) return false;
    for (size_t i = 2; i < kRequestHead; ++i) {
        if (response[i] != requestFrame[i]) return false;
    }
    return true;
}

bool IsCompleteAnswer(const uint8_t* requestFrame, size_t requestLength, const uint8_t* response,
                      size_t received) {
    if (!AnswerMatchesRequest(requestFrame, requestLength, response, received)) return false;
    if (!ResponseCrcValid(response, received)) return false;
    const uint8_t function = requestFrame[1];
    if (IsException(response, function)) return received == kExceptionLength;
    if (IsWriteFunction(function)) return received == kWriteAnswerLength;
    if (IsReadFunction(function)) {
        const size_t count = response[2];
        return count % 2 == 0 && count + kReadOverhead == received;
    }
    return true;
}

bool ResponseCrcValid(const uint8_t* response, size_t received) {
    if (response == nullptr || received < kShortestFrame) return false;
    const uint16_t crc = Crc16Modbus(response, received - 2);
    return response[received - 2] == (crc & 0xFF) && response[received - 1] == (crc >> 8);
}
