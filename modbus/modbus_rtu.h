#pragma once

#include <cstddef>
#include <cstdint>

#include "rtu_frame.h"

class CSerialPort;

// Status codes of ModbusTransact.
enum ModbusStatus : int {
    kModbusOk = 0,
    kModbusPortClosed = 11,
    // The request would not fit the frame or the answer the 255-byte buffer;
    // nothing was sent.
    kModbusRequestTooLarge = 13,
    // A write on a port that refuses writes (its line echoes although the
    // echo setting says never); nothing was sent.
    kModbusWritesRefused = 14,
};

constexpr size_t kModbusBufferSize = 255;
// Largest frame before the CRC (the send buffer holds 255 bytes with it).
constexpr size_t kModbusMaxFrame = 253;
constexpr uint32_t kModbusMaxReadRegisters = 125;

// The request record: one per program, shared by the pages. Callers set the
// fields their function code uses and leave the others as they are.
struct ModbusRequest {
    uint8_t slave = 1;
    uint8_t function = 0;
    uint32_t start = 0;                    // low 16 bits are sent
    uint32_t quantity = 0;                 // low 16 bits are sent; sizes the expected answer
    uint8_t data[kModbusBufferSize] = {};  // wire order
    uint8_t dataLength = 0;
    uint8_t frame[kModbusBufferSize] = {};  // without CRC
    uint8_t frameLength = 0;
    CSerialPort* port = nullptr;
};

// Fills frame/frameLength. Returns false (frame left empty) when the frame
// would exceed kModbusMaxFrame bytes.
bool BuildFrame(ModbusRequest& request);

// Copies n bytes into data; refuses (false, nothing changed) n > 255.
bool SetRequestData(ModbusRequest& request, const uint8_t* bytes, size_t n);

// Expected answer length: 2 * quantity + 5 for functions 3 and 4, 8 for 6
// and 16, 255 otherwise.
size_t ExpectedResponseLength(const ModbusRequest& request);

// One request/response exchange. Returns 0 when the request was sent and the
// read ended (whatever it returned), 11 when the port is not open (nothing
// sent, *received untouched), 13 when the request is too large (nothing sent),
// 14 when the request is not a read and the port refuses writes (nothing sent).
// On 0, response (>= 255 bytes) holds the raw answer including its CRC and
// *received its length; a local echo of the request is not part of it (see
// CSerialPort::Exchange). The master checks nothing in the answer.
int ModbusTransact(ModbusRequest& request, uint8_t* response, uint8_t* received);

// In place, exchanges bytes i and i+1 for i = 0, 2, ... while i + 1 < n.
size_t SwapBytePairs(uint8_t* bytes, size_t n);
// m = min(count, limit); destination[i] = source[i+1], destination[i+1] =
// source[i] for whole pairs below m. Returns m.
size_t CopySwapBytePairs(size_t limit, size_t count, const uint8_t* source, uint8_t* destination);
