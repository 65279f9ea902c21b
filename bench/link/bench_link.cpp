// bench_link [exchanges]: median exchange times of our Modbus RTU master and
// of libmodbus against the simulator paced at 115200 baud over a
// pseudo-terminal, the same behind an echoing adapter, the same line reached
// over loopback TCP (ser2net raw and RFC 2217, the simulator's Modbus TCP
// gateway), what the silence between frames costs, and the behaviour of a
// vanished device.
//
// Prints one line per case:
//   <case> median_ms=<x> wire_ms=<y> ratio_wire=<x/y> ratio_libmodbus=<x/libmodbus>
//   <case>_echo median_ms=<x> wire_ms=<y> ratio_wire=<x/y> ratio_wire_plain=<..>
//       echo_share=<echo bytes / wire bytes>
//   net_<kind> median_ms=<x> serial_ms=<y> ratio_serial=<x/y> added_ms=<x-y>
//   silence_* lines with the waits before requests
// and exits 1 when a target is missed.
//
// Exchanges of the cases start after the line has been silent for longer
// than the 3.5 characters a request waits for, for both masters alike: the
// cases measure the exchange, the silence_* lines what the wait adds.

#include <modbus.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cserialport.h"
#include "modbus_rtu.h"
#include "modbustcpgateway.h"
#include "modulesimulator.h"
#include "response_check.h"
#include "ser2netserver.h"

namespace {

constexpr int kBaud = 115200;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    if (n == 0) return 0;
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

struct Case {
    const char* name;
    uint8_t function;
    uint16_t start;
    uint16_t quantity;  // registers read; 1 for the write
    size_t requestBytes;
    size_t responseBytes;
};

const Case kCases[] = {
    {"read_31_registers", 3, 0x5001, 31, 8, 67},
    {"write_1_register", 6, 0x5001, 1, 8, 8},
    {"exception_answer", 3, 0x9000, 1, 8, 5},
};

// One exchange of ours; false when the answer was not what the case expects.
bool OurExchange(ModbusRequest& request, const Case& c) {
    request.function = c.function;
    request.start = c.start;
    request.quantity = c.quantity;
    const uint8_t zero[2] = {0, 0};
    if (c.function == 6) SetRequestData(request, zero, 2);
    uint8_t response[kModbusBufferSize];
    uint8_t received = 0;
    const int status = ModbusTransact(request, response, &received);
    if (status != 0 || received != c.responseBytes) return false;
    return ResponseCrcValid(response, received);
}

bool LibmodbusExchange(modbus_t* ctx, const Case& c) {
    uint16_t values[125];
    if (c.function == 6) return modbus_write_register(ctx, c.start, 0) == 1;
    const int rc = modbus_read_registers(ctx, c.start, c.quantity, values);
    if (c.start == 0x9000) return rc == -1 && errno == EMBXILADD;
    return rc == c.quantity;
}

// Longer than the silence a request keeps after the last answer byte
// (1.75 ms above 19200 baud).
constexpr auto kQuietLine = std::chrono::microseconds(2000);

double CharacterMs() {
    return CharacterTimeNs(kBaud, 8, 0, 0) / 1e6;
}

// Runs `exchange` n times, each after a quiet line; returns the durations of
// the good ones.
std::vector<double> Time(int n, const std::function<bool()>& exchange, int* failures) {
    std::vector<double> samples;
    for (int i = 0; i < n; ++i) {
        std::this_thread::sleep_for(kQuietLine);
        const auto begin = Clock::now();
        const bool ok = exchange();
        const double ms = Ms(Clock::now() - begin);
        if (ok)
            samples.push_back(ms);
        else
            ++*failures;
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.baud = kBaud;
    if (!sim.Start(options)) {
        std::fprintf(stderr, "bench_link: cannot start the simulator\n");
        return 2;
    }
    const std::string device = sim.DevicePath();
    bool targetsMet = true;

    for (const Case& c : kCases) {
        std::vector<double> ours, theirs;
        int failures = 0;
        // Two alternating halves, so that slow drift of the machine's load
        // falls on both masters alike.
        for (int half = 0; half < 2; ++half) {
            CSerialPort port;
            if (port.OpenDevice(device, kBaud, 8, 0, 0, 0) != kSerialOk) {
                std::fprintf(stderr, "bench_link: cannot open %s\n", device.c_str());
                return 2;
            }
            ModbusRequest request;
            request.port = &port;
            // Settle the echo state as the program does before it writes;
            // not timed.
            if (!OurExchange(request, kCases[0])) ++failures;
            const auto mine = Time(
                exchanges / 2, [&] { return OurExchange(request, c); }, &failures);
            ours.insert(ours.end(), mine.begin(), mine.end());
            port.Close();

            modbus_t* ctx = modbus_new_rtu(device.c_str(), kBaud, 'N', 8, 1);
            if (ctx == nullptr || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
                std::fprintf(stderr, "bench_link: libmodbus cannot open %s\n", device.c_str());
                return 2;
            }
            // The same time-out as ours at this rate.
            modbus_set_response_timeout(ctx, 0,
                                        static_cast<uint32_t>(SerialTimeoutMs(kBaud)) * 1000);
            const auto other = Time(
                exchanges / 2, [&] { return LibmodbusExchange(ctx, c); }, &failures);
            theirs.insert(theirs.end(), other.begin(), other.end());
            modbus_close(ctx);
            modbus_free(ctx);
        }

        const double median = Median(ours);
        const double reference = Median(theirs);
        const double wire = (c.requestBytes + c.responseBytes) * 10 * 1000.0 / kBaud;
        const double ratioWire = median / wire;
        const double ratioLib = reference > 0 ? median / reference : 0;
        std::printf("%s median_ms=%.3f wire_ms=%.3f ratio_wire=%.3f ratio_libmodbus=%.3f\n", c.name,
                    median, wire, ratioWire, ratioLib);
        std::printf("# %s: libmodbus median_ms=%.3f, samples %zu/%zu, failed exchanges %d\n",
                    c.name, reference, ours.size(), theirs.size(), failures);
        if (failures > 0 || ratioLib > 1.05) targetsMet = false;
        if (c.function == 3 && c.start == 0x5001 && ratioWire > 1.1 && median - wire > 2.0)
            targetsMet = false;
        if (c.start == 0x9000 && median > 20.0) targetsMet = false;
    }

    // Behind an adapter that echoes: the echo comes back while the request
    // goes out, so an exchange should take no longer than without it, and
    // never longer by more than the echo's own bytes.
    {
        ModuleSimulator echoing;
        ModuleSimulator::Options echoOptions = options;
        echoOptions.echo = true;
        if (!echoing.Start(echoOptions)) {
            std::fprintf(stderr, "bench_link: cannot start the echoing simulator\n");
            return 2;
        }
        for (const Case& c : kCases) {
            std::vector<double> plain, echoed;
            int failures = 0;
            for (int half = 0; half < 2; ++half) {
                for (ModuleSimulator* line : {&sim, &echoing}) {
                    CSerialPort port;
                    if (port.OpenDevice(line->DevicePath(), kBaud, 8, 0, 0, 0) != kSerialOk) {
                        std::fprintf(stderr, "bench_link: cannot open %s\n",
                                     line->DevicePath().c_str());
                        return 2;
                    }
                    ModbusRequest request;
                    request.port = &port;
                    // Settle the echo state as the program does before it
                    // writes; not timed.
                    if (!OurExchange(request, kCases[0])) ++failures;
                    const auto samples = Time(
                        exchanges / 2, [&] { return OurExchange(request, c); }, &failures);
                    auto& into = line == &sim ? plain : echoed;
                    into.insert(into.end(), samples.begin(), samples.end());
                    const bool wanted = line == &echoing;
                    if ((port.GetEchoState() == CSerialPort::EchoState::Present) != wanted)
                        ++failures;
                }
            }
            const double wire = (c.requestBytes + c.responseBytes) * CharacterMs();
            const double plainMedian = Median(plain);
            const double echoMedian = Median(echoed);
            const double echoShare =
                static_cast<double>(c.requestBytes) / (c.requestBytes + c.responseBytes);
            std::printf(
                "%s_echo median_ms=%.3f wire_ms=%.3f ratio_wire=%.3f ratio_wire_plain=%.3f "
                "echo_share=%.3f\n",
                c.name, echoMedian, wire, echoMedian / wire, plainMedian / wire, echoShare);
            std::printf("# %s_echo: samples %zu/%zu, failed exchanges %d\n", c.name, echoed.size(),
                        plain.size(), failures);
            if (failures > 0 || echoMedian / wire > plainMedian / wire + echoShare)
                targetsMet = false;
        }
        echoing.Stop();
    }

    // The same line over loopback TCP. The cases alternate in rounds, so
    // that the machine's load falls on all of them alike; every one is the
    // 31-register read, each after a quiet line.
    {
        Ser2netServer server;
        ModbusTcpGateway gateway;
        std::vector<std::pair<std::string, std::string>> lines = {{"serial", device}};
        if (server.Start(device)) {
            lines.push_back({"ser2net_raw", server.RawUrl()});
            lines.push_back({"ser2net_rfc2217", server.Rfc2217Url()});
        } else {
            std::printf("# net: ser2net %s; its cases are left out\n",
                        Ser2netServer::Program().empty() ? "is not installed" : "did not start");
        }
        if (gateway.Start(device, 0))
            lines.push_back(
                {"modbus_tcp", "modbus-tcp://127.0.0.1:" + std::to_string(gateway.Port())});
        std::vector<std::vector<double>> samples(lines.size());
        int failures = 0;
        constexpr int kRounds = 4;
        for (int round = 0; round < kRounds; ++round) {
            for (size_t i = 0; i < lines.size(); ++i) {
                // The server lets go of the device a moment after the last
                // connection to it ended.
                server.WaitUntilIdle();
                // The gateway, too, closes the line a moment after its client
                // left; until then the device is busy.
                CSerialPort port;
                int opened = port.OpenDevice(lines[i].second, kBaud, 8, 0, 0, 0);
                for (int wait = 0; opened != kSerialOk && wait < 100; ++wait) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    opened = port.OpenDevice(lines[i].second, kBaud, 8, 0, 0, 0);
                }
                if (opened != kSerialOk) {
                    std::fprintf(stderr, "bench_link: cannot open %s: %s\n",
                                 lines[i].second.c_str(),
                                 OpenFailureReasonText(port.LastFailure()).c_str());
                    return 2;
                }
                ModbusRequest request;
                request.port = &port;
                if (!OurExchange(request, kCases[0])) ++failures;
                const auto got = Time(
                    exchanges / kRounds, [&] { return OurExchange(request, kCases[0]); },
                    &failures);
                samples[i].insert(samples[i].end(), got.begin(), got.end());
            }
        }
        const double serial = Median(samples[0]);
        for (size_t i = 1; i < lines.size(); ++i) {
            const double median = Median(samples[i]);
            std::printf("net_%s median_ms=%.3f serial_ms=%.3f ratio_serial=%.3f added_ms=%.3f\n",
                        lines[i].first.c_str(), median, serial, median / serial, median - serial);
            // Loopback may cost a little; a millisecond an exchange would be
            // a fault of ours (a wait on the wrong clock, Nagle, a purge that
            // waits for the server each time).
            if (median - serial >= 1.0) targetsMet = false;
        }
        std::printf("# net: failed exchanges %d\n", failures);
        if (failures > 0) targetsMet = false;
        gateway.Stop();
        server.Stop();
    }

    // The silence between frames. Back to back, every request waits for the
    // rest of 1.75 ms after the last answer byte; "读取配置" is three reads in
    // a row; a timer polling every 10 ms finds the line long quiet.
    {
        CSerialPort port;
        port.OpenDevice(device, kBaud, 8, 0, 0, 0);
        ModbusRequest request;
        request.port = &port;
        std::vector<double> backToBack, backToBackWait;
        for (int i = 0; i < exchanges; ++i) {
            const auto begin = Clock::now();
            if (!OurExchange(request, kCases[0])) continue;
            backToBack.push_back(Ms(Clock::now() - begin));
            backToBackWait.push_back(port.LastSilenceWaitNs() / 1e6);
        }
        std::printf("silence_back_to_back median_ms=%.3f wait_ms=%.3f silence_ms=%.3f\n",
                    Median(backToBack), Median(backToBackWait), port.FrameSilenceNs() / 1e6);

        const Case configuration[] = {
            {"general", 3, 0x5001, 31, 8, 67},
            {"io", 3, 0x6001, 11, 8, 27},
            {"fieldbus", 3, 0x7001, 66, 8, 137},
        };
        std::vector<double> readConfig, readConfigWait;
        int failures = 0;
        for (int i = 0; i < exchanges / 4; ++i) {
            std::this_thread::sleep_for(kQuietLine);
            const auto begin = Clock::now();
            double waited = 0;
            bool ok = true;
            for (const Case& c : configuration) {
                ok = OurExchange(request, c) && ok;
                waited += port.LastSilenceWaitNs() / 1e6;
            }
            if (!ok) {
                ++failures;
                continue;
            }
            readConfig.push_back(Ms(Clock::now() - begin));
            readConfigWait.push_back(waited);
        }
        double configWire = 0;
        for (const Case& c : configuration) configWire += (c.requestBytes + c.responseBytes);
        configWire *= CharacterMs();
        std::printf("silence_read_configuration median_ms=%.3f wire_ms=%.3f wait_ms=%.3f\n",
                    Median(readConfig), configWire, Median(readConfigWait));

        std::vector<double> pollWait;
        const Case events = {"events", 3, 0x500A, 1, 8, 7};
        for (int i = 0; i < exchanges / 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!OurExchange(request, events)) ++failures;
            pollWait.push_back(port.LastSilenceWaitNs() / 1e6);
        }
        const double pollMax =
            pollWait.empty() ? 0 : *std::max_element(pollWait.begin(), pollWait.end());
        std::printf("silence_poll_10ms wait_ms=%.3f max_wait_ms=%.3f\n", Median(pollWait), pollMax);
        std::printf("# silence: failed exchanges %d\n", failures);
        // Waiting more than the silence itself, or at all between polls, would
        // be a fault of the wait.
        if (failures > 0 || Median(backToBackWait) > port.FrameSilenceNs() / 1e6 + 0.5 ||
            pollMax > 0)
            targetsMet = false;
    }

    // A device that vanishes: the exchange under way returns at once, later
    // ones fail at once, and nothing spins while the device stays gone.
    {
        CSerialPort port;
        port.OpenDevice(device, kBaud, 8, 0, 0, 0);
        ModbusRequest request;
        request.port = &port;
        sim.InjectFault(ModuleSimulator::Fault::Vanish);
        auto begin = Clock::now();
        const bool answered = OurExchange(request, kCases[0]);
        const double midExchange = Ms(Clock::now() - begin);

        begin = Clock::now();
        (void)OurExchange(request, kCases[0]);
        const double after = Ms(Clock::now() - begin);

        // One second of a program polling every 10 ms with the device gone.
        const double cpuBefore = CpuMs();
        const auto wallBefore = Clock::now();
        int polls = 0;
        while (Ms(Clock::now() - wallBefore) < 1000.0) {
            (void)OurExchange(request, kCases[0]);
            ++polls;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const double cpu = CpuMs() - cpuBefore;
        const double wall = Ms(Clock::now() - wallBefore);
        std::printf(
            "vanished_device mid_exchange_ms=%.3f next_exchange_ms=%.3f cpu_ms=%.1f "
            "wall_ms=%.0f exchanges=%d gone=%d\n",
            midExchange, after, cpu, wall, polls, port.IsGone() ? 1 : 0);
        if (answered || midExchange > 50.0 || after > 50.0 || cpu > 50.0) targetsMet = false;
    }

    sim.Stop();
    std::printf("targets %s\n", targetsMet ? "met" : "missed");
    return targetsMet ? 0 : 1;
}
