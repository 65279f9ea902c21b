// The I/O page's periodic work against the simulator paced at 115200 baud:
// event polling at a 10 ms period, and timed reading of 144 output bytes at
// the shortest period. One line of figures per case.
//
// The process CPU share includes the simulator's thread; the main thread's
// share is the page alone.
//
// Usage: bench_io [poll seconds (10)] [read seconds (5)]

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "cpropio.h"
#include "cserialport.h"
#include "modulesession.h"
#include "modulesimulator.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10;  // start, 8 data, stop

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Sample {
    double wall = 0;
    double processCpu = 0;
    double threadCpu = 0;
    quint64 exchanges = 0;
    quint64 failures = 0;
    quint64 skipped = 0;
};

// Lets the page's timers run for the given time and measures what they did.
Sample Run(CPropIo& page, double seconds) {
    const quint64 exchanges = page.exchangeCount();
    const quint64 failures = page.failureCount();
    const quint64 skipped = page.skippedTickCount();
    const double process = CpuSeconds(RUSAGE_SELF);
    const double thread = CpuSeconds(RUSAGE_THREAD);
    const auto start = std::chrono::steady_clock::now();

    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();

    Sample s;
    s.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.processCpu = CpuSeconds(RUSAGE_SELF) - process;
    s.threadCpu = CpuSeconds(RUSAGE_THREAD) - thread;
    s.exchanges = page.exchangeCount() - exchanges;
    s.failures = page.failureCount() - failures;
    s.skipped = page.skippedTickCount() - skipped;
    return s;
}

// Wire time of one exchange: request and answer bytes at the line rate.
double WireSeconds(int requestBytes, int answerBytes) {
    return static_cast<double>((requestBytes + answerBytes) * kBitsPerByte) / kBaud;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    const double pollSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double readSeconds = argc > 2 ? std::atof(argv[2]) : 5.0;

    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.baud = kBaud;
    if (!sim.Start(options)) {
        std::fprintf(stderr, "bench_io: simulator did not start\n");
        return 1;
    }
    CSerialPort port;
    if (port.OpenDevice(sim.DevicePath(), kBaud, 8, 0, 0, 0) != kSerialOk) {
        std::fprintf(stderr, "bench_io: cannot open %s\n", sim.DevicePath().c_str());
        return 1;
    }
    ModuleSession session(&port);
    CPropIo page(CPropIo::FullEdition);
    page.SetPointers(nullptr, &session);
    page.Initialise();

    // Event polling at 10 ms. The word reads 0 (no I/O bit), so every tick is
    // one 8-byte request and one 7-byte answer.
    page.findChild<QLineEdit*>("eventIntervalBox")->setText("10");
    page.findChild<QPushButton*>("pollButton")->click();
    const Sample poll = Run(page, pollSeconds);
    page.findChild<QPushButton*>("pollButton")->click();
    const double pollRate = static_cast<double>(poll.exchanges) / poll.wall;
    std::printf(
        "event_poll period_ms=10 seconds=%.2f polls=%llu polls_per_s=%.1f wire_limit_per_s=%.1f "
        "process_cpu_pct=%.1f main_thread_cpu_pct=%.1f failures=%llu skipped_ticks=%llu "
        "target=\">=90/s, <10%% of one core\" %s\n",
        poll.wall, static_cast<unsigned long long>(poll.exchanges), pollRate,
        1.0 / WireSeconds(8, 7), 100.0 * poll.processCpu / poll.wall,
        100.0 * poll.threadCpu / poll.wall, static_cast<unsigned long long>(poll.failures),
        static_cast<unsigned long long>(poll.skipped),
        pollRate >= 90.0 && poll.processCpu / poll.wall < 0.10 ? "met" : "MISSED");

    // Timed read of 144 bytes at the shortest period: 72 registers, a
    // 149-byte answer; the wire, not the timer, sets the pace.
    page.findChild<QLineEdit*>("outputLengthBox")->setText("144");
    page.findChild<QLineEdit*>("outIntervalBox")->setText("0");
    page.findChild<QCheckBox*>("timedReadCheck")->click();
    const Sample read = Run(page, readSeconds);
    page.findChild<QCheckBox*>("timedReadCheck")->click();
    const double readRate = static_cast<double>(read.exchanges) / read.wall;
    const double wireLimit = 1.0 / WireSeconds(8, 2 * 72 + 5);
    std::printf(
        "timed_read bytes=144 period_ms=%d seconds=%.2f reads=%llu reads_per_s=%.1f "
        "wire_limit_per_s=%.1f of_limit_pct=%.1f process_cpu_pct=%.1f main_thread_cpu_pct=%.1f "
        "failures=%llu output_length=%d\n",
        CPropIo::TimerPeriod(0), read.wall, static_cast<unsigned long long>(read.exchanges),
        readRate, wireLimit, 100.0 * readRate / wireLimit, 100.0 * read.processCpu / read.wall,
        100.0 * read.threadCpu / read.wall, static_cast<unsigned long long>(read.failures), page.outputLength());

    const bool ok = poll.failures == 0 && read.failures == 0 && page.outputLength() == 144;
    return ok ? 0 : 1;
}
