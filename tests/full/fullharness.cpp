#include "fullharness.h"

#include <cstdlib>

void ProgramFolder::CopyStyles() const {
    const std::string command = std::string("cp -r '") + QUILLON_STYLES_DIR + "' '" + path() + "/'";
    (void)std::system(command.c_str());
}

Frame ParseFrame(const std::vector<uint8_t>& raw) {
    Frame frame;
    frame.raw = raw;
    if (raw.size() < 6) return frame;
    frame.function = raw[1];
    frame.start = static_cast<uint16_t>(raw[2] << 8 | raw[3]);
    frame.quantityOrValue = static_cast<uint16_t>(raw[4] << 8 | raw[5]);
    if (frame.function == 16 && raw.size() >= 9)
        frame.data.assign(raw.begin() + 7, raw.end() - 2);
    return frame;
}

std::vector<Frame> ParseFrames(const std::vector<std::vector<uint8_t>>& raws) {
    std::vector<Frame> frames;
    for (const auto& raw : raws) frames.push_back(ParseFrame(raw));
    return frames;
}

std::vector<uint8_t> WireBytes(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    return bytes;
}
