#pragma once

#include <string>

// What a port number leads to: a device path, or one of three network lines
// spelled as pyserial's URL handlers spell them (technicians know those):
//   socket://HOST:PORT        RTU frames over a TCP stream (a device server
//                             in raw mode; the server owns the line settings)
//   rfc2217://HOST:PORT       Telnet with COM-port control: we set the line
//   modbus-tcp://HOST[:PORT]  a Modbus TCP to RTU gateway (port 502 default)
// HOST is a name, an IPv4 address or an IPv6 address in brackets.
enum class LineKind { Device, RawTcp, Rfc2217, ModbusTcp };

struct LineAddress {
    LineKind kind = LineKind::Device;
    std::string path;  // the device, or the URL as given
    std::string host;  // without brackets
    int port = 0;
};

constexpr int kModbusTcpDefaultPort = 502;

// True when the text starts with one of the network schemes (whether or not
// the rest is valid): such an entry is never opened as a file.
bool IsNetworkLine(const std::string& text);

// Splits a device path or URL. False for a network URL that is malformed
// (no host, no port where one is needed, a port outside 1..65535, anything
// after the port).
bool ParseLineAddress(const std::string& text, LineAddress* address);

// The URL of a network line ("rfc2217://10.0.0.20:4001"; an IPv6 host is
// put in brackets; the Modbus TCP port is left out when it is 502).
std::string FormatLineAddress(LineKind kind, const std::string& host, int port);

// The scheme of a kind: "socket", "rfc2217", "modbus-tcp" ("" for a device).
const char* LineKindScheme(LineKind kind);
