#include "frames.h"

namespace {

uint8_t Hi(uint16_t v) {
    return static_cast<uint8_t>(v >> 8);
}
uint8_t Lo(uint16_t v) {
    return static_cast<uint8_t>(v & 0xFF);
}

}  // namespace

uint16_t ReferenceCrc(const uint8_t* bytes, size_t count) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

Bytes WithCrc(Bytes frame) {
    const uint16_t crc = ReferenceCrc(frame.data(), frame.size());
    frame.push_back(Lo(crc));
    frame.push_back(Hi(crc));
    return frame;
}

Bytes ReadRequest(uint16_t start, uint16_t count) {
    return WithCrc({1, 3, Hi(start), Lo(start), Hi(count), Lo(count)});
}

Bytes WriteOne(uint16_t address, uint16_t value) {
    return WithCrc({1, 6, Hi(address), Lo(address), Hi(value), Lo(value)});
}

Bytes WriteMany(uint16_t start, const Bytes& data) {
    const uint16_t count = static_cast<uint16_t>(data.size() / 2);
    Bytes frame{
        1, 16, Hi(start), Lo(start), Hi(count), Lo(count), static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

Bytes ReadAnswer(const Bytes& data) {
    Bytes frame{1, 3, static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

Bytes ExceptionAnswer(uint8_t function, uint8_t code) {
    return WithCrc({1, static_cast<uint8_t>(function | 0x80), code});
}

Bytes WireBytes(const std::vector<uint16_t>& values) {
    Bytes bytes;
    for (uint16_t v : values) {
        bytes.push_back(Hi(v));
        bytes.push_back(Lo(v));
    }
    return bytes;
}
