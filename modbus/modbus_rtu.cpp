#include "modbus_rtu.h"

#include <cstring>

#include "cserialport.h"

namespace {

// Which fields follow the register address in a request.
constexpr uint8_t kAppendData = 1;
constexpr uint8_t kAppendQuantity = 2;

uint8_t FunctionFlags(uint8_t function) {
    switch (function) {
        case 3:
        case 4:
            return kAppendQuantity;
        case 6:
            return kAppendData;
        case 16:
            return kAppendQuantity | kAppendData;
        default:
            // Unknown functions carry just the address; nothing is guessed.
            return 0;
    }
}

size_t FrameLengthFor(const ModbusRequest& request) {
    const uint8_t flags = FunctionFlags(request.function);
    size_t length = 4;
    if (flags & kAppendQuantity) length += 2;
    if (flags & kAppendData) {
        if (request.function == 16) length += 1;
        length += request.dataLength;
    }
    return length;
}

bool IsRead(uint8_t function) {
    return function == 3 || function == 4;
}

}  // namespace

bool BuildFrame(ModbusRequest& request) {
    if (FrameLengthFor(request) > kModbusMaxFrame) {
        // Refused rather than letting the 8-bit length wrap into a short,
        // wrong frame.
        request.frameLength = 0;
        return false;
    }
    uint8_t* frame = request.frame;
    size_t length = 0;
    frame[length++] = request.slave;
    frame[length++] = request.function;
    frame[length++] = static_cast<uint8_t>((request.start >> 8) & 0xFF);
    frame[length++] = static_cast<uint8_t>(request.start & 0xFF);

    const uint8_t flags = FunctionFlags(request.function);
    if (flags & kAppendQuantity) {
        frame[length++] = static_cast<uint8_t>((request.quantity >> 8) & 0xFF);
        frame[length++] = static_cast<uint8_t>(request.quantity & 0xFF);
    }
    if (flags & kAppendData) {
        if (request.function == 16)
            frame[length++] = static_cast<uint8_t>((2 * request.quantity) & 0xFF);
        std::memcpy(frame + length, request.data, request.dataLength);
        length += request.dataLength;
    }
    request.frameLength = static_cast<uint8_t>(length);
    return true;
}

bool SetRequestData(ModbusRequest& request, const uint8_t* bytes, size_t n) {
    if (n > kModbusBufferSize) return false;
    if (n > 0) std::memcpy(request.data, bytes, n);
    request.dataLength = static_cast<uint8_t>(n);
    return true;
}

size_t ExpectedResponseLength(const ModbusRequest& request) {
    switch (request.function) {
        case 3:
        case 4:
            return 2 * static_cast<size_t>(request.quantity) + 5;
        case 6:
        case 16:
            return 8;
        default:
            return kModbusBufferSize;
    }
}

int ModbusTransact(ModbusRequest& request, uint8_t* response, uint8_t* received) {
    // A read whose answer would overflow the 255-byte buffer, or a frame that
    // does not fit the send buffer, is a caller's mistake: refuse it before
    // anything reaches the line.
    if (IsRead(request.function) && request.quantity > kModbusMaxReadRegisters)
        return kModbusRequestTooLarge;
    if (!BuildFrame(request)) return kModbusRequestTooLarge;

    uint8_t sendBuffer[kModbusMaxFrame + 2];
    const uint16_t crc = Crc16Modbus(request.frame, request.frameLength);
    std::memcpy(sendBuffer, request.frame, request.frameLength);
    size_t sendLength = request.frameLength;
    sendBuffer[sendLength++] = static_cast<uint8_t>(crc & 0xFF);
    sendBuffer[sendLength++] = static_cast<uint8_t>(crc >> 8);

    CSerialPort* port = request.port;
    if (port == nullptr || !port->IsOpen()) return kModbusPortClosed;
    // Behind a line that echoes while the setting says it does not, a write
    // would be confirmed by its own echo: it must not go out at all.
    if (!IsRead(request.function) && port->WritesRefused()) return kModbusWritesRefused;

    // The port purges leftovers of an earlier answer, keeps the silence
    // between frames, and removes a local echo of the request.
    const size_t expected = ExpectedResponseLength(request);
    *received = 0;
    const size_t got = port->Exchange(sendBuffer, sendLength, response, expected);
    *received = static_cast<uint8_t>(got & 0xFF);
    return kModbusOk;
}

size_t SwapBytePairs(uint8_t* bytes, size_t n) {
    for (size_t i = 0; i + 1 < n; i += 2) {
        const uint8_t first = bytes[i];
        bytes[i] = bytes[i + 1];
        bytes[i + 1] = first;
    }
    return n;
}

size_t CopySwapBytePairs(size_t limit, size_t count, const uint8_t* source, uint8_t* destination) {
    const size_t m = count < limit ? count : limit;
    for (size_t i = 0; i + 1 < m; i += 2) {
        destination[i] = source[i + 1];
        destination[i + 1] = source[i];
    }
    return m;
}
