#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "modulesimulator.h"
#include "programfolder.h"

// The ways a module or a line can misbehave during an exchange.
struct FaultKind {
    ModuleSimulator::Fault fault;
    int param;
    const char* name;
};

inline const std::vector<FaultKind>& FaultKinds() {
    using F = ModuleSimulator::Fault;
    static const std::vector<FaultKind> kinds = {
        {F::Silent, 0, "Silence"},
        {F::Exception, 4, "Exception"},
        {F::BadCrc, 0, "BadCrc"},
        {F::Truncated, 3, "Truncated"},
        {F::Garbage, 3, "GarbageFirst"},
        // Slower than the 117 ms time-out of a 115200-baud line allows.
        {F::SlowBytes, 150, "SlowBytes"},
        {F::Vanish, 0, "Vanish"},
    };
    return kinds;
}

// One module operation, with the failure message of each of its exchanges
// (empty where the operation stays silent on a single failure).
struct Operation {
    int id;
    const char* name;
    std::vector<const char*> messages;
};

struct FaultCase {
    Operation operation;
    int step;  // the exchange of the operation that misbehaves
    FaultKind kind;
};

inline std::vector<FaultCase> AllCases(const std::vector<Operation>& operations) {
    std::vector<FaultCase> cases;
    for (const Operation& op : operations) {
        for (size_t step = 0; step < op.messages.size(); ++step) {
            for (const FaultKind& kind : FaultKinds())
                cases.push_back({op, static_cast<int>(step), kind});
        }
    }
    return cases;
}

inline std::string CaseName(const FaultCase& c) {
    return std::string(c.operation.name) + "_step" + std::to_string(c.step) + "_" + c.kind.name;
}

inline void PrintTo(const FaultCase& c, std::ostream* out) { *out << CaseName(c); }

// Lets the simulator answer the first `step` exchanges and misbehave on the next.
inline void InjectAtStep(ModuleSimulator& sim, const FaultCase& c) {
    if (c.step > 0) sim.InjectFault(ModuleSimulator::Fault::None, c.step);
    sim.InjectFault(c.kind.fault, 1, c.kind.param);
}

// Behind an adapter that echoes every request: how the module answers.
enum class ModuleBehaviour { Answers, Silent, Exception };

struct EchoCase {
    std::string name;  // operation and behaviour: "ReadSilent"
    ModuleBehaviour module;
    int operation;
};

inline void PrintTo(const EchoCase& c, std::ostream* out) {
    *out << c.name;
}

// Every operation given (name, id) with each of the three behaviours.
inline std::vector<EchoCase> EchoCases(
    std::initializer_list<std::pair<const char*, int>> operations) {
    std::vector<EchoCase> cases;
    for (const auto& [name, id] : operations) {
        cases.push_back({std::string(name) + "Answered", ModuleBehaviour::Answers, id});
        cases.push_back({std::string(name) + "Silent", ModuleBehaviour::Silent, id});
        cases.push_back({std::string(name) + "Exception", ModuleBehaviour::Exception, id});
    }
    return cases;
}

inline std::string EchoCaseName(const ::testing::TestParamInfo<EchoCase>& info) {
    return info.param.name;
}

// The simulator answers, stays silent or refuses everything from now on.
inline void Behave(ModuleSimulator& sim, ModuleBehaviour module) {
    if (module == ModuleBehaviour::Silent) sim.SetSilent(true);
    if (module == ModuleBehaviour::Exception)
        sim.InjectFault(ModuleSimulator::Fault::Exception, 10, 4);
}

using Bytes = std::vector<uint8_t>;

// Port 1 leads to the simulator at 115200 baud; the I/O page's periods are
// long enough that its timers never tick by themselves: the test drives
// each tick.
inline void WriteMatrixIni(const ProgramFolder& folder, const ModuleSimulator& sim) {
    folder.WriteIni("[ports]\r\ncom1=" + sim.DevicePath() +
                    "\r\n[com]\r\nbaudrate=6\r\n[ioprm]\r\neventinterval=600000\r\n"
                    "ininterval=600000\r\noutinterval=600000\r\n");
}

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
inline Bytes Copy(const uint8_t* bytes, size_t n) { return Bytes(bytes, bytes + n); }

// A named child control; a missing one fails the test.
template <typename T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}
