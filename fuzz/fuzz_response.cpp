// Answers of any shape must be accepted or refused without reading a byte
// that did not arrive, and anything accepted must be self-consistent.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "modbus_rtu.h"
#include "response_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int status = data[0] & 0x01 ? 11 : 0;
    const size_t received = size - 1 > kModbusBufferSize ? kModbusBufferSize : size - 1;
    // Exactly the received bytes, so that ASan sees any read past them.
    uint8_t* response = static_cast<uint8_t*>(malloc(received ? received : 1));
    if (received) memcpy(response, data + 1, received);

    for (uint8_t function : {uint8_t(3), uint8_t(4), uint8_t(6), uint8_t(16)}) {
        if (IsGoodResponse(status, response, received, function)) {
            if (status != 0 || received < 3 || !ResponseCrcValid(response, received)) abort();
        }
    }
    const uint8_t* payload = nullptr;
    const int count = ReadPayload(status, response, received, &payload);
    if (count >= 0 && (payload != response + 3 || static_cast<size_t>(count) + 5 != received))
        abort();
    for (size_t block : {size_t(62), size_t(22), size_t(132)}) {
        const int n = AcceptBlockRead(status, response, received, block);
        if (n >= 0 && (static_cast<size_t>(n) > block || received < 6)) abort();
    }
    uint16_t word = 0;
    AcceptEventWord(status, response, received, &word);
    uint32_t ms = 0;
    uint16_t days = 0;
    if (AcceptNetworkTime(status, response, received, &ms, &days) && received < 9) abort();

    // Each of the master's requests against the same bytes: a complete
    // answer always matches, and a matching one comes from slave 1.
    static const uint8_t requests[][8] = {
        {0x01, 0x03, 0x50, 0x01, 0x00, 0x1F, 0x00, 0x00},
        {0x01, 0x04, 0x00, 0x10, 0x00, 0x02, 0x00, 0x00},
        {0x01, 0x06, 0x50, 0x01, 0x00, 0x03, 0x00, 0x00},
        {0x01, 0x10, 0x60, 0x01, 0x00, 0x02, 0x04, 0x00},
    };
    for (const auto& request : requests) {
        const bool matches = AnswerMatchesRequest(request, sizeof request, response, received);
        const bool complete = IsCompleteAnswer(request, sizeof request, response, received);
        if (complete && !matches) abort();
        if (matches && (received < 2 || response[0] != 0x01)) abort();
    }
    free(response);
    return 0;
}
