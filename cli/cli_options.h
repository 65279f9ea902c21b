#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Exit status of quillon-cli.
enum CliExit : int {
    kExitOk = 0,
    // The module failed (no answer, bad answer, exception), nothing was
    // found, or diff found differences.
    kExitModule = 1,
    // A usage or input error: bad arguments, a file that cannot be read or
    // written, a document that does not parse.
    kExitUsage = 2,
    // The port could not be opened.
    kExitPort = 3,
};

// The options every command takes.
struct CliOptions {
    std::string port;    // --port: a number 1..255 or a device path; empty = none
    std::string config;  // --config: config.ini mapping port numbers
    int baud = 115200;
    std::string parity = "none";  // none | odd | even
    int dataBits = 8;
    int stopBits = 1;  // 1 | 2
    bool json = false;
    std::string trace;         // --trace FILE
    int timeoutMs = 0;         // 0: the port's own time-out
    std::string echo;          // --echo: auto | off | on (RS-485 local echo); empty: not given
    bool hasPassword = false;  // --password given
    uint16_t password = 0;     // fieldbus password, for the device information
    std::string lang;          // --lang: zh | en, checked by the parser but read before it
};

// The command and its arguments, as parsed.
struct CliCommand {
    std::string name;                // "info", "io read", "events", ...
    int count = -1;                  // io read [N]
    std::vector<std::string> words;  // io write HEX..., set KEY=VALUE...
    std::string first, second;       // emergency STD CUSTOM
    std::string mode;                // mode start|reset
    std::string file;                // save/load/diff FILE
    bool dryRun = false;             // load --dry-run
    int followMs = -1;               // events --follow PERIOD_MS
    // Bytes taken from the hex arguments before the port is opened: io
    // write's input data, emergency's 4 data bytes.
    std::vector<uint8_t> bytes;
};
