#include "line_address.h"

#include <cstring>

namespace {

struct Scheme {
    LineKind kind;
    const char* name;
    bool portRequired;
};

const Scheme kSchemes[] = {
    {LineKind::RawTcp, "socket", true},
    {LineKind::Rfc2217, "rfc2217", true},
    {LineKind::ModbusTcp, "modbus-tcp", false},
};

constexpr const char kSeparator[] = "://";

// Length of "scheme://" when the text starts with it, else 0.
size_t PrefixLength(const std::string& text, const Scheme& scheme) {
    const size_t name = std::strlen(scheme.name);
    if (text.compare(0, name, scheme.name) != 0) return 0;
    if (text.compare(name, std::strlen(kSeparator), kSeparator) != 0) return 0;
    return name + std::strlen(kSeparator);
}

const Scheme* SchemeOf(const std::string& text) {
    for (const Scheme& scheme : kSchemes)
        if (PrefixLength(text, scheme) > 0) return &scheme;
    return nullptr;
}

bool ParsePort(const std::string& digits, int* port) {
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    *port = value;
    return true;
}

}  // namespace

bool IsNetworkLine(const std::string& text) {
    return SchemeOf(text) != nullptr;
}

bool ParseLineAddress(const std::string& text, LineAddress* address) {
    *address = LineAddress();
    address->path = text;
    const Scheme* scheme = SchemeOf(text);
    if (scheme == nullptr) return true;
    address->kind = scheme->kind;
    const std::string rest = text.substr(PrefixLength(text, *scheme));

    std::string host;
    std::string portText;
    bool hasPort = false;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) return false;
        host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') return false;
            hasPort = true;
            portText = after.substr(1);
        }
    } else {
        const size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            hasPort = true;
            portText = rest.substr(colon + 1);
        }
    }
    if (host.empty() || host.find_first_of("/?#@ \t") != std::string::npos) return false;
    address->host = host;
    if (hasPort) return ParsePort(portText, &address->port);
    if (scheme->portRequired) return false;
    address->port = kModbusTcpDefaultPort;
    return true;
}

std::string FormatLineAddress(LineKind kind, const std::string& host, int port) {
    const std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    std::string url = std::string(LineKindScheme(kind)) + "://" + name;
    if (kind != LineKind::ModbusTcp || port != kModbusTcpDefaultPort)
        url += ":" + std::to_string(port);
    return url;
}

const char* LineKindScheme(LineKind kind) {
    for (const Scheme& scheme : kSchemes)
        if (scheme.kind == kind) return scheme.name;
    return "";
}
