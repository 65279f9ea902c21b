#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "childprocess.h"
#include "modulesimulator.h"

using Json = nlohmann::json;

// quillon-cli's tests read its messages in English: the test program
// names English (LANGUAGE, which the locale rule reads first) before any
// test runs, and a run that reads another language names its own locale
// (RunOptions::locale). Registered once, in test_cli_language.cpp.
class EnglishMessages : public ::testing::Environment {
public:
    void SetUp() override { setenv("LANGUAGE", "en", 1); }
};

// quillon-cli against a module simulator of its own.
class CliProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }

    // quillon-cli --port <simulator> args...
    ProgramRun Cli(std::vector<std::string> args, int stopAfterLines = 0) {
        RunOptions options;
        options.stopAfterLines = stopAfterLines;
        return Cli(std::move(args), options);
    }
    ProgramRun Cli(std::vector<std::string> args, const RunOptions& options) {
        args.insert(args.begin(), {QUILLON_CLI_PROGRAM, "--port", m_sim.DevicePath()});
        return RunProgram(args, options);
    }
    // The same with --json, the output parsed (null when it does not parse).
    Json CliJson(std::vector<std::string> args) {
        args.insert(args.begin(), "--json");
        const ProgramRun run = Cli(args);
        EXPECT_EQ(0, run.status) << run.err;
        return Json::parse(run.out, nullptr, false);
    }

    ModuleSimulator m_sim;
};
