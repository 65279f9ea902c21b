#pragma once

#include <cstddef>
#include <cstdint>

// What the line must know of RTU frames to tell where an answer ends and
// whether bytes that came back are the request's own echo: the CRC and the
// shape of a whole answer to a request.

// CRC-16/MODBUS (initial 0xFFFF, reflected polynomial 0xA001); appended low
// byte first.
uint16_t Crc16Modbus(const uint8_t* bytes, size_t n);

// The last two bytes are the CRC of the bytes before them (low byte first).
bool ResponseCrcValid(const uint8_t* response, size_t received);

// Whether an answer belongs to the request that was sent. requestFrame is the
// request as built or as sent: with or without its CRC, only its first six
// bytes are looked at (two for functions other than 3, 4, 6 and 16). The
// answer must come from the request's slave (byte 0) and carry the request's
// function code, or that code with bit 7 set (an exception, which matches
// here and is refused by the acceptance tests below). A function-6 answer
// must repeat the register address and value, a function-16 answer the start
// address and quantity. The CRC and the length are not looked at.
bool AnswerMatchesRequest(const uint8_t* requestFrame, size_t requestLength,
                          const uint8_t* response, size_t received);

// A whole answer to this request and nothing else: it matches, its CRC is
// valid, and its length is the one its kind has: 5 for an exception, 8 for a
// function-6 or function-16 answer, byte count + 5 with an even byte count
// for a function-3 or function-4 answer. Other functions need only a match
// and a valid CRC.
bool IsCompleteAnswer(const uint8_t* requestFrame, size_t requestLength, const uint8_t* response,
                      size_t received);
