// The module search through a scripted line: the order of its tries, the
// parity dimension a pseudo-terminal cannot carry, and what ends a search.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cserialport.h"
#include "module_search.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "register_map.h"
#include "serialscanline.h"

namespace {

struct Try {
    std::string path;
    ScanSettings settings;
    int timeoutMs;
};

// A line on which a module answers at one setting on one device.
class ScriptedLine : public ScanLine {
public:
    std::string modulePath = "/dev/ttyUSB0";
    ScanSettings moduleSettings{0, 0};  // baud 0: no module anywhere
    uint16_t moduleType = kModuleTypeTavel;
    std::map<std::string, std::string> unusable;  // path -> reason
    std::set<int> refusedRates;
    std::vector<Try> tries;
    int reads = 0;
    bool open = false;

    OpenResult Open(const std::string& path, const ScanSettings& settings, int timeoutMs,
                    std::string* reason) override {
        EXPECT_FALSE(open) << "opened twice";
        tries.push_back({path, settings, timeoutMs});
        const auto gone = unusable.find(path);
        if (gone != unusable.end()) {
            *reason = gone->second;
            return kPortUnusable;
        }
        if (refusedRates.count(settings.baud)) return kSettingsRefused;
        open = true;
        m_path = path;
        m_settings = settings;
        return kOpened;
    }
    bool ReadModuleType(uint16_t* type) override {
        EXPECT_TRUE(open);
        ++reads;
        if (m_path != modulePath || !(m_settings == moduleSettings)) return false;
        *type = moduleType;
        return true;
    }
    void Close() override { open = false; }

private:
    std::string m_path;
    ScanSettings m_settings;
};

const std::vector<ScanPort> kOnePort = {{"/dev/ttyUSB0", 3}};

TEST(ModuleSearch, TriesEveryRateAndParityMostCommonFirst) {
    ScriptedLine line;
    const ScanOutcome outcome = SearchModule(line, kOnePort);
    EXPECT_FALSE(outcome.found);
    EXPECT_FALSE(outcome.cancelled);
    ASSERT_EQ(30u, line.tries.size());
    EXPECT_EQ(30u, outcome.tries);
    EXPECT_EQ(30, line.reads);
    EXPECT_FALSE(line.open);

    const ScanSettings first[] = {{115200, 0}, {9600, 0}, {19200, 2}};
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(first[i], line.tries[i].settings) << i;
    // The rest: no parity at every other rate in list order, then even, then odd.
    const std::vector<int> noParity = {2400, 4800, 19200, 38400, 57600, 230400, 460800, 614400};
    for (size_t i = 0; i < noParity.size(); ++i)
        EXPECT_EQ((ScanSettings{noParity[i], 0}), line.tries[3 + i].settings) << i;
    std::set<std::pair<int, int>> seen;
    int lastParityRank = 0;
    for (size_t i = 3; i < line.tries.size(); ++i) {
        const ScanSettings& s = line.tries[i].settings;
        const int rank = s.parity == 0 ? 0 : s.parity == 2 ? 1 : 2;
        EXPECT_GE(rank, lastParityRank) << i;
        lastParityRank = rank;
    }
    for (const Try& t : line.tries) {
        seen.insert({t.settings.baud, t.settings.parity});
        EXPECT_EQ(ScanTryTimeoutMs(t.settings), t.timeoutMs);
    }
    EXPECT_EQ(30u, seen.size());
    for (int baud : kScanRates)
        for (int parity : {0, 1, 2}) EXPECT_TRUE(seen.count({baud, parity})) << baud << parity;
}

TEST(ModuleSearch, FindsTheParityAndStopsAtTheFirstModule) {
    for (const ScanSettings module : {ScanSettings{19200, 1}, ScanSettings{2400, 2},
                                      ScanSettings{614400, 0}, ScanSettings{115200, 0}}) {
        ScriptedLine line;
        line.moduleSettings = module;
        int progressCalls = 0;
        const ScanOutcome outcome = SearchModule(line, kOnePort, [&](const ScanProgress& step) {
            EXPECT_EQ(static_cast<size_t>(progressCalls), step.tryIndex);
            EXPECT_EQ(30u, step.tryCount);
            ++progressCalls;
            return true;
        });
        ASSERT_TRUE(outcome.found) << module.baud;
        EXPECT_EQ(module, outcome.settings);
        EXPECT_EQ(3, outcome.port.number);
        EXPECT_EQ(kModuleTypeTavel, outcome.moduleType);
        EXPECT_EQ(module, line.tries.back().settings) << "a try after the module answered";
        EXPECT_EQ(line.tries.size(), outcome.tries);
        EXPECT_EQ(static_cast<int>(outcome.tries), progressCalls);
        EXPECT_FALSE(line.open);
    }
}

TEST(ModuleSearch, AnAnswerOfAnotherModuleTypeIsNotAModule) {
    ScriptedLine line;
    line.moduleSettings = {9600, 0};
    line.moduleType = 0x0102;
    const ScanOutcome outcome = SearchModule(line, kOnePort);
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(1u, outcome.unknownTypes);
    EXPECT_EQ(30u, outcome.tries);
}

TEST(ModuleSearch, SettingsOuterPortsInnerAndBrokenPortsDropOut) {
    ScriptedLine line;
    line.modulePath = "/dev/ttyUSB1";
    line.moduleSettings = {19200, 2};
    line.unusable["/dev/ttyS0"] = "busy";
    line.refusedRates = {9600};
    const std::vector<ScanPort> ports = {
        {"/dev/ttyS0", 1}, {"/dev/ttyUSB0", 2}, {"/dev/ttyUSB1", 0}};
    std::vector<size_t> planned;
    const ScanOutcome outcome = SearchModule(line, ports, [&](const ScanProgress& step) {
        planned.push_back(step.tryCount);
        return true;
    });
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ("/dev/ttyUSB1", outcome.port.path);
    // 115200 on all three, 9600 (refused) on the two usable, 19200 8E1 on both.
    const std::vector<std::string> order = {"/dev/ttyS0",   "/dev/ttyUSB0", "/dev/ttyUSB1",
                                            "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB0",
                                            "/dev/ttyUSB1"};
    ASSERT_EQ(order.size(), line.tries.size());
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], line.tries[i].path) << i;
    ASSERT_EQ(1u, outcome.unusable.size());
    EXPECT_EQ("/dev/ttyS0", outcome.unusable[0].first.path);
    EXPECT_EQ("busy", outcome.unusable[0].second);
    // The plan shrinks by the 29 tries the broken port will not get.
    EXPECT_EQ(90u, planned.front());
    EXPECT_EQ(61u, planned.back());
}

TEST(ModuleSearch, ProgressCanCancel) {
    ScriptedLine line;
    const ScanOutcome outcome =
        SearchModule(line, kOnePort, [](const ScanProgress& step) { return step.tryIndex < 4; });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(4u, outcome.tries);
    EXPECT_EQ(4u, line.tries.size());
}

TEST(ModuleSearch, TryTimeOutIsTheWireTimePlusTurnaround) {
    // 17 bytes and two 3.5-character silences (24 characters) of 10 or 11
    // bits, rounded up, plus 40 ms.
    EXPECT_EQ(65, ScanTryTimeoutMs({9600, 0}));
    EXPECT_EQ(140, ScanTryTimeoutMs({2400, 0}));
    EXPECT_EQ(150, ScanTryTimeoutMs({2400, 2}));
    EXPECT_EQ(43, ScanTryTimeoutMs({115200, 0}));
    EXPECT_EQ(41, ScanTryTimeoutMs({614400, 1}));
}

TEST(SerialScanLine, ReadsTheModuleTypeWithinTheTryTimeOut) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    CSerialPort port;
    ModuleSession session(&port);
    SerialScanLine line(&port, &session);
    std::string reason;
    ASSERT_EQ(ScanLine::kOpened, line.Open(sim.DevicePath(), {115200, 2}, 43, &reason));
    EXPECT_EQ(43, port.TimeoutMs());
    uint16_t type = 0;
    EXPECT_TRUE(line.ReadModuleType(&type));
    EXPECT_EQ(kModuleTypeTavel, type);
    line.Close();
    EXPECT_FALSE(port.IsOpen());
    // The next open of the port has the rate's own time-out again.
    ASSERT_EQ(kSerialOk, port.OpenDevice(sim.DevicePath(), 115200, 8, 0, 0, 0));
    EXPECT_EQ(SerialTimeoutMs(115200), port.TimeoutMs());
    port.Close();

    line.SetFixedTimeoutMs(500);
    ASSERT_EQ(ScanLine::kOpened, line.Open(sim.DevicePath(), {9600, 0}, 65, &reason));
    EXPECT_EQ(500, port.TimeoutMs());
    sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    EXPECT_FALSE(line.ReadModuleType(&type));
    line.Close();
    EXPECT_EQ(ScanLine::kPortUnusable,
              line.Open("/dev/quillon-no-such-port", {9600, 0}, 65, &reason));
    EXPECT_FALSE(reason.empty());
}

}  // namespace
