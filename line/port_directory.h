#pragma once

#include <string>

// Where a port number leads. The programs keep the numbering in their
// settings; the line asks through this, so it never reads a settings file.
class PortDirectory {
public:
    virtual ~PortDirectory() = default;
    // Device (or network address) that port number n opens.
    virtual std::string DevicePathForPort(int portNumber) const = 0;
    // Echo mode for lines opened by number: 0 automatic, 1 never, 2 always.
    virtual int EchoModeSetting() const = 0;
    // Milliseconds a network line adds to the answer's time-out; -1 to
    // measure it from the connection.
    virtual int NetworkAllowanceSetting() const { return -1; }
};

// Device of port n when nothing else is stored: /dev/ttyS<n-1>.
std::string DefaultDevicePathForPort(int portNumber);
