#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Modbus RTU frames as they must appear on the line, built here on their own
// (the CRC too) so that the master's and the simulator's frames are checked
// against an independent answer.

using Bytes = std::vector<uint8_t>;

uint16_t ReferenceCrc(const uint8_t* bytes, size_t count);
// `frame` with its CRC appended, low byte first.
Bytes WithCrc(Bytes frame);

// Requests of the master to slave 1.
Bytes ReadRequest(uint16_t start, uint16_t count);
Bytes WriteOne(uint16_t address, uint16_t value);
// Function 16 with `data` (wire order); quantity = data size / 2.
Bytes WriteMany(uint16_t start, const Bytes& data);

// Answers of slave 1: a function-3 answer whose byte count is the data
// size, and an exception answer.
Bytes ReadAnswer(const Bytes& data);
Bytes ExceptionAnswer(uint8_t function, uint8_t code);

// Wire bytes (high byte first) of consecutive register values.
Bytes WireBytes(const std::vector<uint16_t>& values);
