#pragma once

#include <cstddef>
#include <functional>
#include <utility>

#include "config_blocks.h"
#include "module_search.h"

// Where a procedure of several exchanges stands before its next one.
struct ProcedureStep {
    size_t done = 0;   // steps already made: exchanges, groups of a load, tries of a search
    size_t total = 0;  // steps planned in all
    // What the next step is for, so that a window can name it.
    ConfigBlock block = ConfigBlock::General;  // reading the configuration
    ConfigGroup group = kConfigGroupCount;     // a load: the group about to be written
    const ScanProgress* scanTry = nullptr;     // a search: the try about to start
};

// Progress and cancellation of a long procedure (reading the configuration,
// a load, the module search). It is consulted before each step and never
// during an exchange, so a stop never cuts a frame or its answer short.
class ProcedureHook {
public:
    virtual ~ProcedureHook() = default;
    // False stops the procedure before the step: nothing more is sent.
    virtual bool BeforeStep(const ProcedureStep& step) = 0;
};

// A hook made of a function, for a caller that needs no class of its own.
class FunctionHook : public ProcedureHook {
public:
    explicit FunctionHook(std::function<bool(const ProcedureStep&)> beforeStep)
        : m_beforeStep(std::move(beforeStep)) {}
    bool BeforeStep(const ProcedureStep& step) override { return m_beforeStep(step); }

private:
    std::function<bool(const ProcedureStep&)> m_beforeStep;
};

// Status of a procedure that its hook stopped (beside ModuleStatus).
constexpr int kProcedureCancelled = 20;
