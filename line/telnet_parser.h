#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Telnet's command bytes (RFC 854, 855).
namespace telnet {
constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;
}  // namespace telnet

// Takes a Telnet byte stream apart as it arrives: data bytes (IAC IAC is
// one 0xFF), option requests (WILL, WONT, DO, DONT) and subnegotiations.
// The state carries across calls, so a command split between two receives
// is read whole. Subnegotiations we take are a few bytes; a longer one
// keeps its first kMaxSubnegotiation bytes.
class TelnetParser {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void OnData(uint8_t byte) = 0;
        virtual void OnOption(uint8_t verb, uint8_t option) = 0;
        // The bytes between IAC SB and IAC SE, IAC IAC as one 0xFF.
        virtual void OnSubnegotiation(const uint8_t* bytes, size_t n) = 0;
    };

    static constexpr size_t kMaxSubnegotiation = 64;

    void Parse(const uint8_t* bytes, size_t n, Listener* listener);

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    State m_state = State::Data;
    uint8_t m_verb = 0;
    std::vector<uint8_t> m_sub;
};
