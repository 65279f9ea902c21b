#include "response_check.h"

namespace {

// Address, function code and byte count before the data; CRC after it.
constexpr size_t kReadOverhead = 5;

uint16_t WireWordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

bool IsReadFunction(uint8_t function) {
    return function == 3 || function == 4;
}

}  // namespace

bool IsGoodResponse(int status, const uint8_t* response, size_t received, uint8_t function) {
    if (status != 0 || received < 3) return false;
    if (!ResponseCrcValid(response, received)) return false;
    if (response[1] == static_cast<uint8_t>(function | 0x80)) return false;
    if (IsReadFunction(function)) {
        // The announced count must describe exactly the bytes that arrived,
        // in whole registers; otherwise a CRC byte would be taken as data.
        const size_t count = response[2];
        if (count % 2 != 0 || count + kReadOverhead != received) return false;
    }
    return true;
}

int ReadPayload(int status, const uint8_t* response, size_t received, const uint8_t** payload) {
    if (!IsGoodResponse(status, response, received, 3)) return -1;
    if (payload != nullptr) *payload = response + 3;
    return static_cast<int>(received - kReadOverhead);
}

int AcceptBlockRead(int status, const uint8_t* response, size_t received, size_t blockSize) {
    if (received < 6) return -1;
    const int length = ReadPayload(status, response, received, nullptr);
    if (length < 0 || static_cast<size_t>(length) > blockSize) return -1;
    return length;
}

EventReadResult AcceptEventWord(int status, const uint8_t* response, size_t received,
                                uint16_t* word) {
    if (!IsGoodResponse(status, response, received, 3)) return EventReadResult::Failed;
    if (response[2] != 2) return EventReadResult::Ignored;
    if (word != nullptr) *word = WireWordAt(response + 3);
    return EventReadResult::Ok;
}

bool AcceptNetworkTime(int status, const uint8_t* response, size_t received, uint32_t* ms,
                       uint16_t* days) {
    // The six data bytes must all have arrived ahead of the CRC.
    if (received < 9) return false;
    const int length = ReadPayload(status, response, received, nullptr);
    if (length < 6) return false;
    const uint8_t* data = response + 3;
    if (ms != nullptr) *ms = (static_cast<uint32_t>(WireWordAt(data + 2)) << 16) | WireWordAt(data);
    if (days != nullptr) *days = WireWordAt(data + 4);
    return true;
}
