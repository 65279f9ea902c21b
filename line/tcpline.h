#pragma once

#include <memory>

#include "line_address.h"
#include "line_transport.h"
#include "net_socket.h"

// RTU frames over a TCP stream to a device server in raw mode: the bytes go
// as they are, and the server owns the line settings. The base of the other
// network lines, which add their own framing on the same socket.
class TcpLine : public LineTransport {
public:
    ~TcpLine() override;

    // Connects within timeoutMs. Null with *failure filled when it could not.
    static std::unique_ptr<TcpLine> Connect(const LineAddress& address, int timeoutMs,
                                            const HostLookup& lookup, SerialOpenFailure* failure);

    bool Configure(const LineSettings& settings, SerialOpenFailure* failure) override;
    size_t Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) override;
    bool Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) override;
    bool Purge() override;
    bool IsGone() const override { return m_gone; }
    int Handle() const override { return m_fd; }
    bool DrivesLine() const override { return false; }
    bool SettingsFixedByServer() const override { return true; }
    int64_t RoundTripNs() const override { return m_roundTripNs; }

protected:
    TcpLine(int fd, int64_t roundTripNs) : m_fd(fd), m_roundTripNs(roundTripNs) {}

    // Bytes that have arrived by now, without waiting: what a purge drops.
    size_t ReceiveWaiting(uint8_t* bytes, size_t n);

    int m_fd;
    bool m_gone = false;
    int64_t m_roundTripNs;
};
