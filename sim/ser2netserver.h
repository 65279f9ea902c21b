#pragma once

#include <sys/types.h>

#include <string>

// Debian's ser2net serving a device (the simulator's pseudo-terminal) on
// 127.0.0.1: raw TCP on one free port, Telnet with RFC 2217 on another, for
// the tests and the benchmarks. It runs in the foreground from a
// configuration written to a folder of its own, and is stopped with the
// object.
class Ser2netServer {
public:
    Ser2netServer() = default;
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // The program, or empty when it is not installed.
    static std::string Program();

    // Starts serving `device` at the given line setting ("115200n81") and
    // returns once both ports listen.
    bool Start(const std::string& device, const std::string& line = "115200n81");
    void Stop();

    std::string RawUrl() const { return "socket://127.0.0.1:" + std::to_string(m_rawPort); }
    std::string Rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(m_telnetPort); }
    // Waits until the server has let go of the device after its last
    // connection ended (it closes it a moment later; a connection to the
    // other port before that is told the device is in use). False when it
    // still holds it after timeoutMs.
    bool WaitUntilIdle(int timeoutMs = 2000) const;
    // Its messages, for a failure's explanation.
    std::string Log() const;

private:
    std::string File(const char* name) const { return m_dir + "/" + name; }

    std::string m_dir;
    std::string m_device;
    pid_t m_pid = -1;
    int m_rawPort = 0;
    int m_telnetPort = 0;
};

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call.
int FreeLoopbackPort();
// True while something listens on 127.0.0.1:port (from /proc/net/tcp, so
// that looking does not open a connection).
bool LoopbackPortListens(int port);
