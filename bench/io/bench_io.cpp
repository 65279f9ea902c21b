// The I/O page's periodic work against the simulator paced at 115200 baud:
// event polling at a 10 ms period (alone, with an observer that counts
// exchanges, and with the wire monitor attached, hidden and shown), timed
// reading of 144 output bytes at the shortest period, and the memory the
// wire monitor takes over 100,000 exchanges. One line of figures per case.
//
// The process CPU share includes the simulator's thread; the main thread's
// share is the page alone.
//
// Usage: bench_io [poll seconds (10)] [read seconds (5)] [monitor exchanges (100000)]

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "cpropio.h"
#include "cserialport.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "moduleworker.h"
#include "wiremonitor.h"
#include "wiremonitormodel.h"

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

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The least an observer can do.
class CountingObserver : public ExchangeObserver {
public:
    void OnExchange(const ExchangeRecord&) override { ++m_count; }
    quint64 count() const { return m_count; }

private:
    quint64 m_count = 0;
};

void Add(Sample* total, const Sample& s) {
    total->wall += s.wall;
    total->processCpu += s.processCpu;
    total->threadCpu += s.threadCpu;
    total->exchanges += s.exchanges;
    total->failures += s.failures;
    total->skipped += s.skipped;
}

// Event polling at 10 ms for the given time.
Sample Poll(CPropIo& page, double seconds) {
    page.findChild<QPushButton*>("pollButton")->click();
    const Sample s = Run(page, seconds);
    page.findChild<QPushButton*>("pollButton")->click();
    return s;
}

void PrintPoll(const char* observer, const Sample& s, const char* target, bool met) {
    std::printf(
        "event_poll period_ms=10 observer=%s seconds=%.2f polls=%llu polls_per_s=%.1f "
        "process_cpu_pct=%.1f main_thread_cpu_pct=%.1f failures=%llu skipped_ticks=%llu "
        "target=\"%s\" %s\n",
        observer, s.wall, static_cast<unsigned long long>(s.exchanges), s.exchanges / s.wall,
        100.0 * s.processCpu / s.wall, 100.0 * s.threadCpu / s.wall,
        static_cast<unsigned long long>(s.failures), static_cast<unsigned long long>(s.skipped),
        target, met ? "met" : "MISSED");
}

// Resident memory of the wire monitor, shown, over `count` exchanges: event
// words and 144-byte output reads taking turns, the rows flushed and painted
// as in the program. The port keeps 1.75 ms of silence between frames, so
// the two exchanges are made once against the simulator and their records
// handed to the monitor again and again, each one a millisecond later.
bool MonitorMemory(long count) {
    ModuleSimulator sim;
    if (!sim.Start()) return false;
    CSerialPort port;
    if (port.OpenDevice(sim.DevicePath(), kBaud, 8, 0, 0, 0) != kSerialOk) return false;
    ModuleSession session(&port);
    ExchangeRing captured(2);
    struct Capture : ExchangeObserver {
        ExchangeRing* ring;
        void OnExchange(const ExchangeRecord& record) override { ring->Push(record); }
    } capture;
    capture.ring = &captured;
    session.AddObserver(&capture);
    uint8_t area[kIoAreaSize] = {};
    int length = 0;
    uint16_t word = 0;
    const bool exchanged = session.ReadEvents(&word) == kModuleOk &&
                           session.ReadOutputData(72, area, &length) == kModuleOk;
    session.RemoveObserver(&capture);
    if (!exchanged || captured.size() != 2) return false;

    WireMonitor monitor;
    monitor.resize(454, 220);
    monitor.show();
    QCoreApplication::processEvents();

    const long startKb = ResidentKilobytes();
    const auto start = std::chrono::steady_clock::now();
    for (long k = 0; k < count; ++k) {
        ExchangeRecord record = captured.At(static_cast<size_t>(k % 2));
        record.startWallNs += k * 1000000;
        record.startMonotonicNs += k * 1000000;
        monitor.OnExchange(record);
        // A batch as polling every 10 ms gives one, then its repaint.
        if (k % 20 == 19) {
            monitor.Flush();
            QCoreApplication::processEvents();
        }
    }
    monitor.Flush();
    QCoreApplication::processEvents();
    const long endKb = ResidentKilobytes();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long growthKb = endKb - startKb;
    const bool met = growthKb <= 15 * 1024 &&
                     monitor.counters().ok == static_cast<uint64_t>(count) &&
                     monitor.model()->ring().size() == ExchangeRing::kDefaultCapacity;
    std::printf(
        "monitor_memory exchanges=%ld seconds=%.1f kept_exchanges=%zu rows=%d rss_start_kb=%ld "
        "rss_end_kb=%ld growth_kb=%ld target=\"<=15 MB growth\" %s\n",
        count, seconds, monitor.model()->ring().size(), monitor.model()->rowCount(), startKb,
        endKb, growthKb, met ? "met" : "MISSED");
    return met;
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
    const long monitorExchanges = argc > 3 ? std::atol(argv[3]) : 100000;

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
    // The page's exchanges run on a worker thread, as in the programs.
    ModuleWorker worker(nullptr);
    CPropIo page(CPropIo::FullEdition);
    page.SetPointers(nullptr, &session, &worker);
    page.Initialise();

    // Event polling at 10 ms. The word reads 0 (no I/O bit), so every tick is
    // one 8-byte request and one 7-byte answer.
    page.findChild<QLineEdit*>("eventIntervalBox")->setText("10");
    const Sample poll = Poll(page, pollSeconds);
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

    // With an observer that only counts exchanges.
    CountingObserver counter;
    session.AddObserver(&counter);
    const Sample counted = Poll(page, pollSeconds);
    session.RemoveObserver(&counter);
    const bool countedMet = counted.exchanges / counted.wall >= 99.0 &&
                            counted.processCpu / counted.wall < 0.05 &&
                            counter.count() == counted.exchanges;
    PrintPoll("counter", counted, ">=99/s, <5% of one core", countedMet);

    // With the wire monitor attached, hidden and shown in turns, so that a
    // change in the machine's load falls on both alike; their CPU is compared
    // within this run.
    constexpr int kTurns = 4;
    WireMonitor monitor;
    monitor.resize(454, 220);
    monitor.Attach(&session);
    Sample hidden;
    Sample shown;
    // Polling runs on through the turns; only the monitor's visibility changes.
    page.findChild<QPushButton*>("pollButton")->click();
    for (int turn = 0; turn < 2 * kTurns; ++turn) {
        const bool show = turn % 2 == 1;
        monitor.setVisible(show);
        Add(show ? &shown : &hidden, Run(page, pollSeconds / kTurns));
    }
    page.findChild<QPushButton*>("pollButton")->click();
    monitor.Attach(nullptr);
    monitor.hide();
    PrintPoll("monitor_hidden", hidden, ">=99/s", hidden.exchanges / hidden.wall >= 99.0);
    const double deltaPoints =
        100.0 * (shown.processCpu / shown.wall - hidden.processCpu / hidden.wall);
    const bool shownMet = shown.exchanges / shown.wall >= 99.0 && deltaPoints <= 2.0;
    PrintPoll("monitor_shown", shown, ">=99/s, CPU within 2 points of hidden", shownMet);
    std::printf("monitor_cpu_delta points=%.1f rows=%d\n", deltaPoints,
                monitor.model()->rowCount());


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

    const bool memoryMet = MonitorMemory(monitorExchanges);

    const bool ok = poll.failures == 0 && counted.failures == 0 && hidden.failures == 0 &&
                    shown.failures == 0 && read.failures == 0 && page.outputLength() == 144;
    return ok && countedMet && shownMet && memoryMet ? 0 : 1;
}
