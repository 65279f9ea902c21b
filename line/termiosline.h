#pragma once

#include <memory>
#include <string>

#include "line_transport.h"

// A serial device driven through termios2 in raw mode, exclusive to us
// (TIOCEXCL and flock), with non-blocking I/O bounded by poll().
class TermiosLine : public LineTransport {
public:
    ~TermiosLine() override;

    // Opens the device and applies the settings. Null with *failure filled
    // when it could not be opened or refused the settings (it is closed
    // again then).
    static std::unique_ptr<TermiosLine> Open(const std::string& path, const LineSettings& settings,
                                             SerialOpenFailure* failure);

    bool Configure(const LineSettings& settings, SerialOpenFailure* failure) override;
    size_t Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) override;
    bool Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) override;
    bool Purge() override;
    bool IsGone() const override { return m_gone; }
    int Handle() const override { return m_fd; }
    bool DrivesLine() const override { return true; }

private:
    explicit TermiosLine(int fd) : m_fd(fd) {}

    int m_fd;
    bool m_gone = false;
};
