// Soak run: the full edition's I/O page with event polling, timed reading and
// timed writing all at 10 ms against the simulator, with random faults on
// the line. Reports exchanges, failures, messages and resident memory, and
// fails when memory grows by more than 2 MB or an exchange was ever nested.
//
//   quillon_soak [seconds]   (default 600)
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ccontrolini.h"
#include "cpropio.h"
#include "cserialport.h"
#include "messages.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "moduleworker.h"
#include "tempdir.h"

namespace {

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

QAbstractButton* FindButton(QWidget* page, const QString& text) {
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;

    TempDir folder;
    CControlIni ini;
    ini.SetPath(folder.file("config.ini"));
    ini.WriteInt("ioprm", "eventinterval", 10);
    ini.WriteInt("ioprm", "ininterval", 10);
    ini.WriteInt("ioprm", "outinterval", 10);

    ModuleSimulator simulator;
    ModuleSimulator::Options options;
    options.baud = 115200;
    if (!simulator.Start(options)) {
        std::fprintf(stderr, "soak: the simulator did not start\n");
        return 2;
    }
    simulator.SetRandomFaultRate(0.01, 7);

    CSerialPort port;
    if (port.OpenDevice(simulator.DevicePath(), 115200, 8, 0, 0, 0) != kSerialOk) {
        std::fprintf(stderr, "soak: cannot open %s\n", simulator.DevicePath().c_str());
        return 2;
    }
    ModuleSession session(&port);

    CPropIo page(CPropIo::FullEdition);
    // Declared after the page: its exchange uses the page's poller.
    ModuleWorker worker(nullptr);
    page.SetPointers(&ini, &session, &worker);
    page.Initialise();
    uint8_t block[22] = {};
    block[0] = 64;  // input length
    block[2] = 64;  // output length
    page.FillFromBlock(block);

    QAbstractButton* polling = FindButton(&page, QString::fromUtf8("周期读取"));
    QAbstractButton* timedRead = FindButton(&page, QString::fromUtf8("定时读取(ms)"));
    QAbstractButton* timedWrite = FindButton(&page, QString::fromUtf8("定时写入(ms)"));
    QAbstractButton* increment = FindButton(&page, QString::fromUtf8("加一"));
    if (!polling || !timedRead || !timedWrite || !increment) {
        std::fprintf(stderr, "soak: controls of the I/O page not found\n");
        return 2;
    }

    // A message box stands open for a while, as a technician would leave it;
    // timer ticks meanwhile must be skipped, not nested.
    quint64 messages = 0;
    SetMessageSink([&messages](QWidget*, const QString&) {
        ++messages;
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    });

    increment->click();
    polling->click();
    timedRead->click();
    timedWrite->click();

    // A timer stopped by three failures is started again, so all three keep
    // running for the whole soak.
    QTimer restarter;
    QObject::connect(&restarter, &QTimer::timeout, [&] {
        // The simulator keeps every request for tests; it is part of this
        // process, so its record must not count as the page's memory.
        simulator.ClearRequests();
        if (!page.polling()) polling->click();
        if (!page.timedRead()) timedRead->click();
        if (!page.timedWrite()) timedWrite->click();
    });
    restarter.start(200);

    long startKb = 0;
    QTimer::singleShot(5000, [&] { startKb = ResidentKilobytes(); });
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    QElapsedTimer clock;
    clock.start();
    app.exec();

    const long endKb = ResidentKilobytes();
    const quint64 nested = session.nestedExchangeCount();
    std::printf("soak seconds=%lld exchanges=%llu failures=%llu messages=%llu skipped_ticks=%llu "
                "merged_ticks=%llu nested=%llu rss_start_kb=%ld rss_end_kb=%ld growth_kb=%ld\n",
                static_cast<long long>(clock.elapsed() / 1000),
                static_cast<unsigned long long>(page.exchangeCount()),
                static_cast<unsigned long long>(page.failureCount()),
                static_cast<unsigned long long>(messages),
                static_cast<unsigned long long>(page.skippedTickCount()),
                static_cast<unsigned long long>(page.mergedTickCount()),
                static_cast<unsigned long long>(nested), startKb, endKb, endKb - startKb);
    std::fflush(stdout);
    SetMessageSink({});
    // An exchange may still be on the line: the port closes after it, as
    // the window closes it.
    worker.Shutdown(2000);
    port.Close();
    simulator.Stop();
    const bool grew = startKb > 0 && endKb - startKb > 2048;
    if (grew) std::printf("soak: FAILED, resident memory grew by more than 2 MB\n");
    if (nested > 0) std::printf("soak: FAILED, an exchange was nested\n");
    if (page.exchangeCount() == 0) std::printf("soak: FAILED, no exchange was made\n");
    return grew || nested > 0 || page.exchangeCount() == 0 ? 1 : 0;
}
