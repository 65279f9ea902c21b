#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "open_failure.h"

class CControlIni;

// Status codes of Open.
enum SerialStatus : int {
    kSerialOk = 0,
    kSerialAlreadyOpen = 10,
    kSerialOpenFailed = 12,
};

// Read/write time-out of a line at the given rate: 2,040,000 / baud + 100 ms
// (255 bytes of 8 bits, plus margin). baud must be positive.
int SerialTimeoutMs(int baud);

// Device that port number n stands for: [ports] com<n> of config.ini when set
// and non-empty, otherwise /dev/ttyS<n-1>. ini may be null.
std::string DevicePathForPort(int portNumber, const CControlIni* ini);

// The one serial line between the program and the module (termios, raw mode,
// exclusive). All I/O is bounded by the time-out fixed at Open.
class CSerialPort {
public:
    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Where port numbers are looked up ([ports] section); may stay null.
    void SetSettings(const CControlIni* ini) { m_settings = ini; }

    // Full edition: stop bits 0 = 1, 1 = 1.5, 2 = 2 (else 1); parity 0 none,
    // 1 odd, 2 even, 3 mark, 4 space (else none); flow 0 none, 1 XON/XOFF,
    // 2 RTS/CTS (else none). Returns 0, 10 (already open, nothing changed) or
    // 12 (failed; the port is closed again). A port number < 1 or a baud
    // rate <= 0 returns 12 without touching any device.
    int Open(int portNumber, int baud, int dataBits, int stopBits, int parity, int flow);
    // Simple edition: 8 data bits, no parity, one stop bit, no flow control.
    int Open(int portNumber, int baud);
    // Opens a device by path (what both Open forms end in).
    int OpenDevice(const std::string& path, int baud, int dataBits, int stopBits, int parity,
                   int flow);
    // Does nothing when the port is not open.
    void Close();

    bool IsOpen() const { return m_open; }
    int TimeoutMs() const { return m_timeoutMs; }
    // Replaces the time-out of the open port (ms > 0) until it is closed; the
    // next Open sets the rate's time-out again. For callers that know how
    // long the answer they wait for can take, such as the module search.
    void SetTimeoutMs(int ms);
    // The operating-system handle (-1 while closed).
    int Handle() const { return m_fd; }
    const std::string& DevicePath() const { return m_path; }
    // True once the other end hung up (EIO/POLLHUP); exchanges then fail at
    // once until the port is closed and opened again.
    bool IsGone() const { return m_gone; }
    // Why the last Open or OpenDevice returned non-zero (reason none after a
    // success), for the message that explains it.
    const SerialOpenFailure& LastFailure() const { return m_failure; }

    // Discards received bytes not yet read.
    void PurgeInput();
    // Writes all n bytes or gives up at the time-out; returns bytes written.
    size_t Write(const uint8_t* bytes, size_t n);
    // Reads until `expected` bytes arrived, or a complete exception frame
    // (5 bytes, function code with bit 7 set) arrived, or the time-out passed,
    // or the line hung up. Returns the number of bytes read (<= expected).
    size_t ReadResponse(uint8_t* buffer, size_t expected);

private:
    bool m_open = false;
    bool m_gone = false;
    int m_fd = -1;
    int m_timeoutMs = 0;
    std::string m_path;
    const CControlIni* m_settings = nullptr;
    SerialOpenFailure m_failure;
};
