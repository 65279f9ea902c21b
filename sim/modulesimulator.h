#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

// A Modbus RTU slave (address 1) on a pseudo-terminal that behaves like the
// module: holding registers of the general, I/O and fieldbus blocks, input
// and output data, functions 3, 6 and 16. Serves on its own thread so that a
// program (or test) blocked in an exchange on the same process is answered.
// Can misbehave on purpose and records every request it received.
//
// Behaviour worth knowing when testing against it:
// - Register ranges: 0x0001-0x0048 input data, 0x1001-0x1048 output data,
//   0x5001-0x501F, 0x6001-0x600B, 0x7001-0x7045. Anything else answers
//   exception 2; functions other than 3, 6 and 16 answer exception 1.
// - 0x5001 takes 0, 3 and 4 (4 also restores the default configuration);
//   0x6001/0x6002 take 0..144; other values answer exception 3.
// - Writing input data sets event bit 3 in 0x500A and, for every 8-byte
//   group whose bytes changed, its bit in the change field (0x6003..0x600B);
//   the output data follow the input data. Reading 0x500A or a change-field
//   register clears what was read.
// - 0x7003 answers exception 3 unless the password is written; the device
//   information 0x700B-0x7020 answers exception 3 until it was. 0x7043-0x7045
//   (network time from the host clock) are read-only (exception 2).
// - A fault that stands for a lost or refused request (Silent, Exception,
//   Vanish) leaves the registers unchanged; the others damage only the answer
//   of a request that was carried out.
// - With echo on, every byte received goes straight back before anything
//   else, paced like the request itself, as a two-wire RS-485 adapter that
//   keeps its receiver on does; the module behind it may still be silent.
class ModuleSimulator {
public:
    struct Options {
        int baud = 0;                // pace every byte at this rate (10 bits); 0 = no pacing
        uint16_t password = 0x1234;  // the fieldbus password (register 0x7003)
        bool log = false;            // print requests and answers with timestamps to stdout
        // The module's UART rate: a request is answered only while the master
        // set this rate on the line (read back from the pseudo-terminal); at
        // any other rate the module hears noise and stays silent. 0 = any.
        int lineRate = 0;
        bool echo = false;           // echo every byte received before answering
    };

    enum class Fault {
        None,
        Silent,     // no answer
        Exception,  // exception answer (param = exception code, default 4)
        BadCrc,     // answer with its CRC damaged
        Truncated,  // answer cut short (param = bytes dropped, default 3)
        Garbage,    // param garbage bytes (default 3) before a good answer
        SlowBytes,  // param ms between answer bytes (default 200)
        Delay,      // param ms before the answer (default 500)
        Vanish,     // close the pseudo-terminal instead of answering
    };

    ModuleSimulator();
    ~ModuleSimulator();
    ModuleSimulator(const ModuleSimulator&) = delete;
    ModuleSimulator& operator=(const ModuleSimulator&) = delete;

    bool Start(const Options& options);
    bool Start() { return Start(Options()); }
    void Stop();
    // Path of the device side of the pseudo-terminal (e.g. /dev/pts/3).
    const std::string& DevicePath() const { return m_devicePath; }

    // Registers (any address; unmapped ones read 0 here but answer
    // exception 2 on the wire).
    uint16_t Register(uint16_t address) const;
    void SetRegister(uint16_t address, uint16_t value);
    bool IsMapped(uint16_t address) const;

    // The next `count` requests misbehave as given (queued after earlier ones).
    void InjectFault(Fault fault, int count = 1, int param = 0);
    void ClearFaults();
    // Echo on or off from now on (an adapter swapped under a running line).
    void SetEcho(bool on) { m_echo = on; }
    // A module that answers nothing at all (powered off) until switched back;
    // requests are still recorded, and echoed when echo is on. Queued faults
    // wait meanwhile.
    void SetSilent(bool on) { m_silent = on; }
    // Every request misbehaves at random with this probability (0..1),
    // choosing among Silent, Exception, BadCrc, Truncated, Garbage.
    void SetRandomFaultRate(double rate, unsigned seed = 1);

    // Requests received (whole frames with CRC, in order), good or not.
    std::vector<std::vector<uint8_t>> Requests() const;
    size_t RequestCount() const;
    void ClearRequests();
    // Waits until at least n requests were recorded or timeoutMs passed.
    bool WaitForRequests(size_t n, int timeoutMs) const;
    uint64_t AnswersSent() const { return m_answers.load(); }
    // For each recorded request, how long the line had been silent on our
    // side before its first byte arrived: ns since the last byte we wrote,
    // taken before that write, so never more than the master saw (-1 when we
    // had written nothing yet).
    std::vector<int64_t> SilencesBeforeRequestsNs() const;

    // Closes the pseudo-terminal now (the device vanishes). Returns once it
    // is closed.
    void CloseDevice();
    // After CloseDevice: a new pseudo-terminal (the device is back, possibly
    // under another path; DevicePath() tells). Registers are kept.
    bool ReopenDevice();

private:
    enum class Request { None, Close, Reopen };

    bool OpenPty();
    void ClosePty();
    void Serve();
    void ServeRequests();
    void TakeFrames(std::vector<uint8_t>& rx, int64_t rxStartNs, bool* dropping);
    void HandleFrame(const std::vector<uint8_t>& frame, int64_t rxStartNs);
    std::pair<Fault, int> NextFault();
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& frame);
    std::vector<uint8_t> AnswerRead(uint8_t function, uint16_t start, uint16_t quantity);
    std::vector<uint8_t> AnswerWrite(uint8_t function, uint16_t start,
                                     const std::vector<uint16_t>& values,
                                     const std::vector<uint8_t>& echo);
    uint8_t CheckWrite(uint16_t address, uint16_t value, bool* passwordAccepted) const;
    uint16_t ReadRegisterLocked(uint16_t address) const;
    // Returns false when the bytes could not all be written.
    bool Send(const std::vector<uint8_t>& bytes, int64_t startNs, int interByteMs);
    void Echo(const uint8_t* bytes, size_t n, int64_t receivedNs);
    bool SleepUntil(int64_t deadlineNs) const;
    void InitialiseRegisters();
    void OnInputDataWritten(uint16_t first, uint16_t count, const std::vector<uint16_t>& before);
    void Log(const char* direction, const std::vector<uint8_t>& bytes, const char* note) const;

    Options m_options;
    int m_master = -1;
    int m_slave = -1;
    int m_wakePipe[2] = {-1, -1};
    std::string m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<uint64_t> m_answers{0};
    std::atomic<bool> m_echo{false};
    std::atomic<bool> m_silent{false};
    // Serving thread only: when we last wrote, and the silence before the
    // frame being received.
    int64_t m_lastWriteNs = 0;
    int64_t m_silenceBeforeFrameNs = -1;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requestSeen;
    std::map<uint16_t, uint16_t> m_registers;
    std::vector<std::vector<uint8_t>> m_requests;
    std::vector<int64_t> m_silences;
    std::deque<std::pair<Fault, int>> m_faults;
    double m_randomFaultRate = 0.0;
    unsigned m_seed = 1;
    std::mt19937 m_random;
    bool m_passwordAccepted = false;

    // Close/reopen requests handed to the serving thread.
    std::mutex m_deviceMutex;
    std::condition_variable m_deviceChanged;
    Request m_deviceRequest = Request::None;
    bool m_deviceRequestOk = false;
};
