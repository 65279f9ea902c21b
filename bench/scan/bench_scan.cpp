// bench_scan: the module search over a pseudo-terminal against the
// simulator. Prints one line per case:
//   <case> ms=<x> tries=<n> found=<0|1> target_ms=<t>
// and exits 1 when a target is missed.
//   search_no_module     one port, a module that never answers: every try
//                        runs into its time-out (target 10 s)
//   find_at_9600         a module that answers only at 9600 baud (target 1 s)
//   find_at_2400         the same at 2400 baud (reported; no target)

#include <chrono>
#include <cstdio>

#include "cserialport.h"
#include "module_search.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "serialscanline.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    double ms = 0;
    ScanOutcome outcome;
};

Result Search(const std::string& device) {
    CSerialPort port;
    ModuleSession session(&port);
    SerialScanLine line(&port, &session);
    const Clock::time_point start = Clock::now();
    Result result;
    result.outcome = SearchModule(line, {{device, 1}});
    result.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return result;
}

bool Report(const char* name, const Result& r, bool wantFound, double targetMs) {
    const bool met = r.outcome.found == wantFound && (targetMs <= 0 || r.ms < targetMs);
    std::printf("%-18s ms=%.0f tries=%zu found=%d target_ms=%.0f%s\n", name, r.ms, r.outcome.tries,
                r.outcome.found ? 1 : 0, targetMs, met ? "" : "  MISSED");
    return met;
}

}  // namespace

int main() {
    bool met = true;
    {
        ModuleSimulator sim;
        if (!sim.Start()) return 2;
        sim.InjectFault(ModuleSimulator::Fault::Silent, 1000);
        met = Report("search_no_module", Search(sim.DevicePath()), false, 10000) && met;
    }
    // A module that hears only its own rate, and answers at that pace.
    for (const int rate : {9600, 2400}) {
        ModuleSimulator sim;
        ModuleSimulator::Options options;
        options.lineRate = rate;
        options.baud = rate;
        if (!sim.Start(options)) return 2;
        const Result r = Search(sim.DevicePath());
        const bool right = r.outcome.found && r.outcome.settings.baud == rate;
        met = Report(rate == 9600 ? "find_at_9600" : "find_at_2400", r, true,
                     rate == 9600 ? 1000 : 0) &&
              right && met;
    }
    return met ? 0 : 1;
}
