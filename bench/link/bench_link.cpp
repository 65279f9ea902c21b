// bench_link [exchanges]: median exchange times of our Modbus RTU master and
// of libmodbus against the simulator paced at 115200 baud over a
// pseudo-terminal, and the behaviour of a vanished device.
//
// Prints one line per case:
//   <case> median_ms=<x> wire_ms=<y> ratio_wire=<x/y> ratio_libmodbus=<x/libmodbus>
// and exits 1 when a target is missed.

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
#include "modulesimulator.h"
#include "response_check.h"

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

// Runs `exchange` n times; returns the durations of the good ones.
std::vector<double> Time(int n, const std::function<bool()>& exchange, int* failures) {
    std::vector<double> samples;
    for (int i = 0; i < n; ++i) {
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
