#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "baud_rates.h"

// Search for a module whose line settings are unknown: every port given is
// tried at every rate of the serial page's list with parity none, even and
// odd (8 data bits, 1 stop bit), reading the module type (0x5003, two
// registers) each time. Shared by the command line and both programs.
// Over RFC 2217 the settings are changed through the server like a local
// port's; behind a raw TCP device server or a Modbus TCP gateway the server
// owns the settings, so such a port gets one try, at whatever the server has.

// Line settings of one try. Data bits and stop bits are always 8 and 1.
struct ScanSettings {
    int baud = 0;
    int parity = 0;  // as CSerialPort::Open: 0 none, 1 odd, 2 even
};

inline bool operator==(const ScanSettings& a, const ScanSettings& b) {
    return a.baud == b.baud && a.parity == b.parity;
}

constexpr int kScanDataBits = 8;
constexpr int kScanStopBits = 0;  // position of "1" in the stop-bits list

// The rates of the serial page's list, in list order.
constexpr int kScanRateCount = kBaudRateCount;
inline constexpr const int (&kScanRates)[kScanRateCount] = kBaudRates;

// Every setting, most common first: 115200 8N1, 9600 8N1, 19200 8E1, then no
// parity at the other rates in list order, then even, then odd parity.
std::vector<ScanSettings> ScanOrder();

// Time one try waits for its answer: the request (8 bytes) and the answer
// (9 bytes) on the wire, each after the 3.5-character silence that ends the
// frame before it, plus the module's turnaround and the adapter's latency.
int ScanTryTimeoutMs(const ScanSettings& settings);

// Answer of register 0x5003 that names a module the programs know.
bool IsKnownModuleType(uint16_t type);

// What one line does for the search; the real one opens a CSerialPort and
// reads through a ModuleSession, tests script it.
class ScanLine {
public:
    enum OpenResult {
        kOpened = 0,
        kSettingsRefused,  // the device does not take these settings: skip them
        kPortUnusable,     // the device cannot be opened at all: skip the port
    };
    virtual ~ScanLine() = default;
    // Opens `path` at the settings with a read time-out of timeoutMs. On
    // kPortUnusable *reason (UTF-8) says why.
    virtual OpenResult Open(const std::string& path, const ScanSettings& settings, int timeoutMs,
                            std::string* reason) = 0;
    // One read of the module type; true with *type on an answer that passed
    // every acceptance check.
    virtual bool ReadModuleType(uint16_t* type) = 0;
    virtual void Close() = 0;
};

struct ScanPort {
    std::string path;  // device or network URL to open
    int number = 0;    // port number that opens it, 0 when none
};

// True for a port whose line settings belong to a server on the network
// (socket://, modbus-tcp://): one try there, whatever the settings.
bool ScanSettingsFixedByServer(const ScanPort& port);

// Time the one try at a server's settings waits: enough for the slowest
// setting of the search.
int ScanFixedTryTimeoutMs();

struct ScanProgress {
    size_t tryIndex = 0;  // 0-based index of the try about to start
    size_t tryCount = 0;  // tries planned in all
    const ScanPort* port = nullptr;
    ScanSettings settings;
};

// Called before each try; returning false stops the search (cancelled).
using ScanProgressFn = std::function<bool(const ScanProgress&)>;

struct ScanOutcome {
    bool found = false;
    bool cancelled = false;
    ScanPort port;          // where the module answered
    ScanSettings settings;  // and at which settings
    // The port's settings belong to its server: `settings` is only what the
    // try was opened with, not the line's.
    bool settingsFromServer = false;
    uint16_t moduleType = 0;
    size_t tries = 0;  // tries made (opens attempted)
    // Ports that could not be opened, with the reason, in order met.
    std::vector<std::pair<ScanPort, std::string>> unusable;
    // Answers that passed every check but named an unknown module type.
    size_t unknownTypes = 0;
};

// Tries the settings in ScanOrder; for each, every port that is still
// usable. Stops at the first known module type, when progress returns false,
// or when every try was made.
ScanOutcome SearchModule(ScanLine& line, const std::vector<ScanPort>& ports,
                         const ScanProgressFn& progress = ScanProgressFn());

// "8N1", "8E1", "8O1".
std::string ScanFormatName(const ScanSettings& settings);
// "none", "odd", "even".
const char* ScanParityName(int parity);
