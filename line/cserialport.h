#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "line_address.h"
#include "line_transport.h"
#include "net_socket.h"
#include "open_failure.h"

class PortDirectory;

// Status codes of Open.
enum SerialStatus : int {
    kSerialOk = 0,
    kSerialAlreadyOpen = 10,
    kSerialOpenFailed = 12,
};

// Read/write time-out of a line at the given rate: 2,040,000 / baud + 100 ms
// (255 bytes of 8 bits, plus margin). baud must be positive.
int SerialTimeoutMs(int baud);

// Time one character takes on the line: start bit, data bits, parity bit
// (parity 1 to 4) and stop bits, as Open takes them (stop bits 1 and 2 both
// set two stop bits, one and a half at 5 data bits). baud must be positive.
int64_t CharacterTimeNs(int baud, int dataBits, int stopBits, int parity);

// Silence that must precede every request: 3.5 character times, and a fixed
// 1.75 ms above 19200 baud (the Modbus serial line's rule for fast lines,
// where 3.5 characters would be too short for most UARTs to tell apart).
int64_t FrameSilenceNs(int baud, int dataBits, int stopBits, int parity);

// Time a network line adds to the answer's time-out when nothing else is
// set: a fixed part for the server's own buffering and turnaround, and four
// times the round trip measured while connecting.
int NetworkAllowanceMs(int64_t roundTripNs);

// The one line between the program and the module: a serial device
// (termios, raw mode, exclusive) or a network line to a device server or a
// Modbus TCP gateway (see line_address.h), whichever the path names. All
// I/O is bounded by the time-out fixed at Open: 2,040,000 / baud + 100 ms,
// plus on a network line an allowance for the network (NetworkAllowanceMs,
// or the one set). The silence between frames is kept only where we drive
// the serial line ourselves.
//
// Local echo: many two-wire RS-485 adapters keep their receiver on while they
// transmit, so every request comes back in front of the answer. Exchange
// removes it:
// - Always: the first bytes back, as many as were sent, are the echo.
// - Never: nothing is removed.
// - Automatic: the state starts Unknown at every open. While it is Unknown,
//   an exact copy of the request (CRC included) at the front of what comes
//   back is taken as the echo and removed. The state becomes Present when a
//   complete, matching answer follows the copy, or when the copy could not
//   have been an answer itself (a copy of a read or of a function-16 request
//   can only be an echo); it becomes Absent when a complete, matching answer
//   arrives without a copy in front. A function-6 answer is byte for byte
//   its request: a lone copy of a function-6 request proves nothing, is not
//   an answer (the exchange gives 0 bytes) and leaves the state Unknown.
//   Bytes that are neither a clean copy nor a complete answer (a stray byte
//   in front, an echo damaged on the line) leave it Unknown too.
//   Callers settle the state with a read before their first write.
// In every mode a read is due before the first write after an open
// (NeedsEchoProbe). When the mode is Never and the bytes of a read begin
// with a whole copy of its request, the line echoes against the setting: a
// write would be confirmed by its own echo, so the port refuses writes
// (WritesRefused) until it is opened again or the mode changes.
class CSerialPort {
public:
    enum class EchoMode { Automatic = 0, Never = 1, Always = 2 };
    enum class EchoState { Unknown, Absent, Present };

    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Where port numbers lead; may stay null (port n is then /dev/ttyS<n-1>
    // and the echo mode and network allowance are left as set).
    void SetPortDirectory(const PortDirectory* directory) { m_directory = directory; }

    // Full edition: stop bits 0 = 1, 1 = 1.5, 2 = 2 (else 1); parity 0 none,
    // 1 odd, 2 even, 3 mark, 4 space (else none); flow 0 none, 1 XON/XOFF,
    // 2 RTS/CTS (else none). Returns 0, 10 (already open, nothing changed) or
    // 12 (failed; the port is closed again). A port number < 1 or a baud
    // rate <= 0 returns 12 without touching any device. With a directory
    // given, the echo mode and the network allowance are taken from it first.
    int Open(int portNumber, int baud, int dataBits, int stopBits, int parity, int flow);
    // Simple edition: 8 data bits, no parity, one stop bit, no flow control.
    int Open(int portNumber, int baud);
    // Opens a device path or network URL (what both Open forms end in). A
    // device that its class shows not to be a terminal is refused without
    // being opened; a network line connects within ConnectTimeoutMs.
    int OpenDevice(const std::string& path, int baud, int dataBits, int stopBits, int parity,
                   int flow);
    // Changes the line settings of the open port: on a device and over
    // RFC 2217 they are applied (and must be confirmed); where a server owns
    // the line (socket://, modbus-tcp://) only the time-out follows them.
    // 0, or 12 with LastFailure set (the port is closed when it is gone).
    int ChangeSettings(int baud, int dataBits, int stopBits, int parity, int flow);
    // Does nothing when the port is not open.
    void Close();

    bool IsOpen() const { return m_open; }
    int TimeoutMs() const { return m_timeoutMs; }
    // Replaces the time-out of the open port (ms > 0) until it is closed; the
    // next Open sets the rate's time-out again. For callers that know how
    // long the answer they wait for can take, such as the module search.
    void SetTimeoutMs(int ms);
    // The operating-system handle (-1 while closed).
    int Handle() const { return m_line ? m_line->Handle() : -1; }
    const std::string& DevicePath() const { return m_path; }
    LineKind Kind() const { return m_kind; }
    // True while the open line's settings belong to a server on the network.
    bool SettingsFixedByServer() const { return m_line && m_line->SettingsFixedByServer(); }

    // Network lines: the connect time-out (default 3000 ms), which also
    // bounds the Telnet negotiation and each confirmation of settings; the
    // allowance added to the answer's time-out (-1: measured at connect;
    // kept across Close and Open); the allowance of the open line; the name
    // lookup (tests replace it so that no name server is asked).
    void SetConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms > 0 ? ms : m_connectTimeoutMs; }
    int ConnectTimeoutMs() const { return m_connectTimeoutMs; }
    void SetNetworkAllowanceMs(int ms) { m_allowanceSetting = ms; }
    int NetworkAllowance() const { return m_allowanceMs; }
    void SetHostLookup(HostLookup lookup) { m_lookup = std::move(lookup); }
    // True once the other end hung up (EIO/POLLHUP, or the server closed or
    // dropped the connection); exchanges then fail at once until the port is
    // closed and opened again.
    bool IsGone() const { return m_line && m_line->IsGone(); }
    // Why the last Open or OpenDevice returned non-zero (reason none after a
    // success), for the message that explains it.
    const SerialOpenFailure& LastFailure() const { return m_failure; }

    // The echo mode holds across Close and Open (the callers take it from
    // their settings); setting it starts the state over as Open does: Unknown
    // for Automatic, Present for Always, Absent for Never.
    void SetEchoMode(EchoMode mode);
    EchoMode GetEchoMode() const { return m_echoMode; }
    EchoState GetEchoState() const { return m_echoState; }
    // The bytes that the last Exchange removed from the front as the echo
    // (0 when none). After an exchange in state Unknown that still leaves the
    // state Unknown, they are a copy of the request that may have been its
    // answer: the case that a read must settle.
    size_t LastEchoLength() const { return m_lastEchoLength; }
    const uint8_t* LastEcho() const { return m_lastEcho; }
    // The last exchange brought back nothing but a copy of its function-6
    // request while the echo was unknown: the module's answer or the
    // adapter's echo, which the bytes cannot tell.
    bool LastCopyUndecided() const { return m_lastCopyUndecided; }
    // A read is due before the next write: in automatic mode while the echo
    // is unknown, in the fixed modes until the first read since the open.
    bool NeedsEchoProbe() const;
    // The mode says Never but a read came back behind a copy of itself.
    bool WritesRefused() const { return m_writesRefused; }

    // The last request and answer as they crossed the network, where that
    // differs from the RTU frames (Modbus TCP: MBAP frames); else empty.
    const std::vector<uint8_t>& LastWireRequest() const;
    const std::vector<uint8_t>& LastWireAnswer() const;
    // The last answer carried another request's transaction identifier.
    bool LastAnswerForeign() const { return m_line && m_line->AnswerForeign(); }

    // One request and its answer: waits for the silence between frames,
    // discards unread input, writes the whole request (CRC included), then
    // reads up to `expected` answer bytes (stopping early at a complete
    // exception frame), with the echo removed and the echo state updated as
    // described above. The time-out starts once the request has left the
    // line. Returns the number of answer bytes in `answer` (<= expected,
    // which must not exceed 255).
    size_t Exchange(const uint8_t* request, size_t requestLength, uint8_t* answer, size_t expected);

    // Monotonic times (CLOCK_MONOTONIC, ns) of the last byte received and
    // of the end of the last transmission (0 before any); the silence
    // between frames at the open settings; how long the last write waited
    // for that silence.
    int64_t LastReceivedNs() const { return m_lastReceivedNs; }
    int64_t LastSentNs() const { return m_lastSentNs; }
    int64_t FrameSilenceNs() const { return m_silenceNs; }
    int64_t LastSilenceWaitNs() const { return m_lastSilenceWaitNs; }

    // Discards received bytes not yet read (they count as line activity for
    // the silence between frames).
    void PurgeInput();
    // Waits until the line has been silent for FrameSilenceNs() since the last
    // byte received or sent, then writes all n bytes or gives up at the
    // time-out; returns bytes written.
    size_t Write(const uint8_t* bytes, size_t n);
    // Reads until `expected` bytes arrived, or a complete exception frame
    // (5 bytes, function code with bit 7 set) arrived, or the time-out passed,
    // or the line hung up. Returns the number of bytes read (<= expected).
    size_t ReadResponse(uint8_t* buffer, size_t expected);

private:
    // Reads what arrives into buffer[*got, limit) before the deadline, with
    // at most one wait. False on time-out or hang-up.
    bool ReadSome(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs);
    void WaitForSilence();
    void ResetEchoState();
    void ApplyTiming(const LineSettings& settings);
    // Takes note of what the bytes of a finished exchange say about the echo.
    void LearnEcho(const uint8_t* request, size_t sent, const uint8_t* bytes, size_t got,
                   size_t echo, const uint8_t* answer, size_t length);

    // What the window looks at while the worker's exchange or open runs.
    std::atomic<bool> m_open{false};
    std::unique_ptr<LineTransport> m_line;
    LineKind m_kind = LineKind::Device;
    std::atomic<int> m_timeoutMs{0};
    std::string m_path;
    const PortDirectory* m_directory = nullptr;
    SerialOpenFailure m_failure;

    int m_connectTimeoutMs = 3000;
    int m_allowanceSetting = -1;
    int m_allowanceMs = 0;
    HostLookup m_lookup;

    int64_t m_characterNs = 0;
    int64_t m_silenceNs = 0;
    int64_t m_lastReceivedNs = 0;
    int64_t m_lastSentNs = 0;
    int64_t m_lastSilenceWaitNs = 0;

    std::atomic<EchoMode> m_echoMode{EchoMode::Automatic};
    std::atomic<EchoState> m_echoState{EchoState::Unknown};
    size_t m_lastEchoLength = 0;
    uint8_t m_lastEcho[255] = {};
    bool m_lastCopyUndecided = false;
    bool m_readSinceOpen = false;
    std::atomic<bool> m_writesRefused{false};
};
