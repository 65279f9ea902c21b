#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SerialOpenFailure;

// Line settings as CSerialPort::Open takes them: stop bits 0 = 1, 1 = 1.5,
// 2 = 2; parity 0 none, 1 odd, 2 even, 3 mark, 4 space; flow 0 none,
// 1 XON/XOFF, 2 RTS/CTS.
struct LineSettings {
    int baud = 0;
    int dataBits = 8;
    int stopBits = 0;
    int parity = 0;
    int flow = 0;
};

// What carries the bytes of a CSerialPort: a terminal device or a network
// connection. The port keeps the exchange, the echo and the timing above it;
// a transport only moves bytes, applies line settings and tells when the far
// end has gone. Every call that waits takes an absolute CLOCK_MONOTONIC
// deadline.
class LineTransport {
public:
    virtual ~LineTransport() = default;

    // Applies the settings, or takes note of them where the far end owns the
    // line. False with *failure filled when they were not taken; the
    // transport may still be usable.
    virtual bool Configure(const LineSettings& settings, SerialOpenFailure* failure) = 0;
    // Writes all n bytes unless the deadline passes or the far end goes;
    // returns the bytes written.
    virtual size_t Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) = 0;
    // Receives what arrives into buffer[*got, limit) before the deadline,
    // advancing *got; false on time-out or once the far end has gone.
    virtual bool Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) = 0;
    // Discards input not yet read; true when there was some.
    virtual bool Purge() = 0;
    virtual bool IsGone() const = 0;
    // The descriptor, for callers that show or poll it.
    virtual int Handle() const = 0;

    // True where this program drives the serial line itself, so that it
    // must keep the silence between frames and can tell when the last bit
    // has left; false where a server on the network does.
    virtual bool DrivesLine() const = 0;
    // True where the far end keeps its own line settings, so that changing
    // them here changes nothing on the wire.
    virtual bool SettingsFixedByServer() const { return false; }
    // Round trip measured while connecting (0 for a local device).
    virtual int64_t RoundTripNs() const { return 0; }

    // The bytes of the last request and of its answers as they crossed the
    // network, where they differ from the RTU frames (Modbus TCP); empty
    // elsewhere. The record of an exchange shows these.
    virtual const std::vector<uint8_t>& WireRequest() const { return m_noBytes; }
    virtual const std::vector<uint8_t>& WireAnswer() const { return m_noBytes; }
    // True when the last answer carried another request's identity (a Modbus
    // TCP transaction identifier that is not the one sent).
    virtual bool AnswerForeign() const { return false; }

private:
    std::vector<uint8_t> m_noBytes;
};
