#pragma once

#include <cstddef>
#include <cstdint>

#include "rtu_frame.h"

// Acceptance of answers returned by ModbusTransact, in one place. Every test
// requires status 0 and a valid CRC-16/MODBUS in the last two received bytes;
// an answer that fails is treated exactly like a missing one.

// Writes (functions 6, 16) and plain reads: status 0, at least 3 bytes, CRC
// valid, byte 1 is not function + 0x80. For function 3 and 4 the byte count
// (byte 2) must also be even and equal received - 5.
bool IsGoodResponse(int status, const uint8_t* response, size_t received, uint8_t function);

// Data bytes of a good function-3 answer: count and pointer (response + 3).
// Returns -1 when the answer is not good.
int ReadPayload(int status, const uint8_t* response, size_t received, const uint8_t** payload);

// Block reads: good function-3 answer of at least 6 bytes whose payload
// (received - 5) is no longer than blockSize. Returns the payload length
// (data at response + 3) or -1.
int AcceptBlockRead(int status, const uint8_t* response, size_t received, size_t blockSize);

enum class EventReadResult { Failed, Ignored, Ok };
// Event word read (0x500A): Failed when not good, Ignored when good but the
// byte count is not 2, Ok with *word = byte 3 * 256 + byte 4.
EventReadResult AcceptEventWord(int status, const uint8_t* response, size_t received,
                                uint16_t* word);

// Network time (0x7043, 3 registers): good, at least 9 bytes, and all six
// data bytes present before the CRC (11 bytes in all). *ms =
// value(0x7044) * 65536 + value(0x7043), *days = value(0x7045).
bool AcceptNetworkTime(int status, const uint8_t* response, size_t received, uint32_t* ms,
                       uint16_t* days);
