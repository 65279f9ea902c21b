// bench_ui: the longest time the user-interface thread of the full edition
// goes without turning its event loop while the module is busy, against the
// simulator paced at the line's rate on a pseudo-terminal. A probe timer on
// that thread asks for a turn every millisecond; the longest gap between two
// turns is the longest the window could not repaint or take a click. One
// line per case:
//   <case> baud=<rate> exchanges=<n> longest_block_ms=<x> target="<50 ms" met|MISSED
//   read_config         "读取配置" (three block reads)
//   timed_read_144      "定时读取" of 144 output bytes every 10 ms for a few seconds
//   load_every_group    "从文件载入..." writing all seven groups (and re-reading)
//   silent_module       "读取配置" against a module that never answers
//
// Usage: bench_ui [timed-read seconds (3)]

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "cdlgconfigdiff.h"
#include "config_json.h"
#include "config_transfer.h"
#include "cpropcom.h"
#include "cpropio.h"
#include "cquillondlg.h"
#include "cserialport.h"
#include "messages.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "moduleworker.h"
#include "programfolder.h"

namespace {

constexpr double kTargetMs = 50.0;

// Measures the gaps between event-loop turns on this thread.
class Probe {
public:
    Probe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (now - m_last > m_longest) m_longest = now - m_last;
            m_last = now;
        });
    }
    void Start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double Stop() {
        m_timer.stop();
        return static_cast<double>(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// The worker of the window under measurement.
ModuleWorker* g_worker = nullptr;

// The window is done with the module: nothing runs on its behalf.
bool ModuleIdle() {
    return g_worker == nullptr || !g_worker->busy();
}

// Runs `action` from the event loop, then turns the loop until `finished`
// (and, with waitIdle, the module is idle) or the bound passed. Returns the
// longest gap.
double Measure(const std::function<void()>& action, const std::function<bool()>& finished,
               int boundMs = 60000, bool waitIdle = true) {
    Probe probe;
    bool acted = false;
    QTimer::singleShot(20, [&] {
        action();
        acted = true;
    });
    probe.Start();
    QElapsedTimer clock;
    clock.start();
    while (!(acted && finished() && (!waitIdle || ModuleIdle())) && clock.elapsed() < boundMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return probe.Stop();
}

// A full-edition window in a folder of its own, port 1 on a simulator paced
// at `baud`, the port open at that rate.
struct Station {
    ModuleSimulator sim;
    ProgramFolder folder;
    std::unique_ptr<CQuillonDlg> dlg;

    bool Open(int baud) {
        ModuleSimulator::Options options;
        options.baud = baud;
        if (!sim.Start(options)) return false;
        const int position = baud == 2400 ? 0 : baud == 9600 ? 2 : 6;
        folder.WritePorts(sim.DevicePath(),
                          "[com]\r\nbaudrate=" + std::to_string(position) + "\r\n");
        dlg = std::make_unique<CQuillonDlg>(folder.path());
        g_worker = dlg->worker();
        dlg->show();
        dlg->comPage()->OnOpen();
        Measure([] {}, [this] { return dlg->port().IsOpen(); }, 5000);
        sim.ClearRequests();
        return dlg->port().IsOpen();
    }
    ~Station() {
        g_worker = nullptr;
        dlg.reset();
        sim.Stop();
    }
};

bool Report(const char* name, int baud, size_t exchanges, double longestMs, bool done) {
    const bool met = done && longestMs < kTargetMs;
    std::printf("%s baud=%d exchanges=%zu longest_block_ms=%.1f target=\"<%.0f ms\" %s\n", name,
                baud, exchanges, longestMs, kTargetMs, met ? "met" : "MISSED");
    std::fflush(stdout);
    return met;
}

bool ReadConfig(int baud) {
    Station s;
    if (!s.Open(baud)) return Report("read_config", baud, 0, 0, false);
    QStringList messages;
    const MessageSink previous =
        SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    const double longest =
        Measure([&] { s.dlg->OnReadConfig(); }, [&] { return s.sim.AnswersSent() >= 3; });
    SetMessageSink(previous);
    return Report("read_config", baud, s.sim.RequestCount(), longest,
                  s.sim.RequestCount() == 3 && messages.isEmpty());
}

bool SilentModule(int baud) {
    Station s;
    if (!s.Open(baud)) return Report("silent_module", baud, 0, 0, false);
    s.sim.SetSilent(true);
    QStringList messages;
    const MessageSink previous =
        SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    const double longest =
        Measure([&] { s.dlg->OnReadConfig(); }, [&] { return !messages.isEmpty(); });
    SetMessageSink(previous);
    return Report("silent_module", baud, s.sim.RequestCount(), longest,
                  messages == QStringList{QStringLiteral("获取通用参数失败!")});
}

bool TimedRead(int baud, double seconds) {
    Station s;
    if (!s.Open(baud)) return Report("timed_read_144", baud, 0, 0, false);
    CPropIo* page = s.dlg->ioPage();
    page->findChild<QLineEdit*>("outputLengthBox")->setText("144");
    page->findChild<QLineEdit*>("outIntervalBox")->setText("10");
    QCheckBox* timed = page->findChild<QCheckBox*>("timedReadCheck");
    QElapsedTimer clock;
    const double longest = Measure(
        [&] {
            clock.start();
            timed->click();
        },
        [&] { return clock.isValid() && clock.elapsed() >= seconds * 1000; }, 60000, false);
    timed->click();
    Measure([] {}, [] { return true; });
    std::printf("timed_read_144 page_exchanges=%llu failures=%llu merged_ticks=%llu answers=%llu\n",
                static_cast<unsigned long long>(page->exchangeCount()),
                static_cast<unsigned long long>(page->failureCount()),
                static_cast<unsigned long long>(page->mergedTickCount()),
                static_cast<unsigned long long>(s.sim.AnswersSent()));
    return Report(
        "timed_read_144", baud, s.sim.RequestCount(), longest,
        s.sim.RequestCount() >= 2 && page->outputLength() == 144 && page->failureCount() == 0);
}

bool LoadEveryGroup(int baud) {
    Station s;
    if (!s.Open(baud)) return Report("load_every_group", baud, 0, 0, false);
    // The file holds the module as it is now; the module then takes other
    // values in every group, so that the load writes them all.
    ConfigBlocks saved;
    for (int k = 0; k < 31; ++k) {
        const uint16_t v = s.sim.Register(static_cast<uint16_t>(0x5001 + k));
        saved.general[2 * k] = static_cast<uint8_t>(v & 0xFF);
        saved.general[2 * k + 1] = static_cast<uint8_t>(v >> 8);
    }
    for (int k = 0; k < 11; ++k) {
        const uint16_t v = s.sim.Register(static_cast<uint16_t>(0x6001 + k));
        saved.io[2 * k] = static_cast<uint8_t>(v & 0xFF);
        saved.io[2 * k + 1] = static_cast<uint8_t>(v >> 8);
    }
    for (int k = 0; k < 66; ++k) {
        const uint16_t v = s.sim.Register(static_cast<uint16_t>(0x7001 + k));
        saved.fieldbus[2 * k] = static_cast<uint8_t>(v >> 8);
        saved.fieldbus[2 * k + 1] = static_cast<uint8_t>(v & 0xFF);
    }
    const std::string path = s.folder.path() + "/vx31.json";
    std::string error;
    if (!SaveConfigFile(path, saved, &error)) return Report("load_every_group", baud, 0, 0, false);
    for (const auto& [address, value] : {std::pair<uint16_t, uint16_t>{0x5006, 1},
                                         {0x500B, 0},
                                         {0x5011, 2500},
                                         {0x6001, 32},
                                         {0x7004, 30},
                                         {0x7006, 4},
                                         {0x700B, 0x0001}})
        s.sim.SetRegister(address, value);

    QStringList messages;
    const MessageSink previous =
        SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    // Answers the differences dialog as a technician would: the password,
    // then "写入模块".
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CDlgConfigDiff*>(top);
            if (dialog == nullptr || !dialog->isVisible() || !dialog->writeButton()->isEnabled())
                continue;
            answer.stop();
            dialog->passwordEdit()->setText("1234");
            dialog->writeButton()->click();
            return;
        }
    });
    answer.start();
    const double longest = Measure([&] { s.dlg->LoadFromFile(QString::fromStdString(path)); },
                                   [&] { return !messages.isEmpty(); });
    SetMessageSink(previous);
    // Three reads, the password and seven groups, three reads again.
    return Report("load_every_group", baud, s.sim.RequestCount(), longest,
                  s.sim.RequestCount() == 14 && messages.size() == 1 &&
                      messages.front().startsWith(QStringLiteral("从文件载入配置成功!")));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The port lists must not look at the machine's own devices.
    setenv("QUILLON_DEV_ROOT", "/nonexistent/quillon-bench-dev", 1);
    setenv("QUILLON_SYSFS_ROOT", "/nonexistent/quillon-bench-sys", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    const double timedSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;

    bool met = true;
    met = ReadConfig(2400) && met;
    met = ReadConfig(9600) && met;
    met = TimedRead(9600, timedSeconds) && met;
    met = LoadEveryGroup(9600) && met;
    met = SilentModule(9600) && met;
    return met ? 0 : 1;
}
