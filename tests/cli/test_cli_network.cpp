// quillon-cli over network lines (through ser2net on 127.0.0.1, raw and
// RFC 2217, and through the simulator's Modbus TCP gateway), the [ports]
// entries it lists, and a line that echoes against --echo off.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "childprocess.h"
#include "frames.h"
#include "modbustcpgateway.h"
#include "modulesimulator.h"
#include "programfolder.h"
#include "scriptedslave.h"
#include "ser2netserver.h"
#include "tempdir.h"

namespace {

using Json = nlohmann::json;

ProgramRun Cli(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {QUILLON_CLI_PROGRAM, "--port", port});
    return RunProgram(args);
}

// Read as JSON, save, change the module, load the file back: the module
// holds what was saved, over each kind of line.
void ExpectReadSaveLoad(ModuleSimulator& sim, const std::string& url) {
    SCOPED_TRACE(url);
    TempDir dir;
    const ProgramRun read = Cli(url, {"--json", "read"});
    ASSERT_EQ(0, read.status) << read.err;
    const Json document = Json::parse(read.out, nullptr, false);
    EXPECT_EQ("VX31-CANopen", document["fieldbus"]["product_name"]) << read.out;
    const uint16_t node = sim.Register(0x7004);

    const std::string file = dir.file("vx31.json");
    const ProgramRun save = Cli(url, {"save", file});
    ASSERT_EQ(0, save.status) << save.err;
    sim.SetRegister(0x7004, static_cast<uint16_t>(node + 1));
    const ProgramRun load = Cli(url, {"load", file});
    EXPECT_EQ(0, load.status) << load.err;
    EXPECT_EQ(node, sim.Register(0x7004));
    EXPECT_EQ(WriteOne(0x7004, node), sim.Requests().back());
}

TEST(CliNetwork, ReadSaveAndLoadThroughSer2netAndAModbusTcpGateway) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ModbusTcpGateway gateway;
    ASSERT_TRUE(gateway.Start(sim.DevicePath(), 0));
    ExpectReadSaveLoad(sim, "modbus-tcp://127.0.0.1:" + std::to_string(gateway.Port()));
    gateway.Stop();

    if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
    Ser2netServer server;
    ASSERT_TRUE(server.Start(sim.DevicePath())) << server.Log();
    ExpectReadSaveLoad(sim, server.RawUrl());
    ASSERT_TRUE(server.WaitUntilIdle());
    ExpectReadSaveLoad(sim, server.Rfc2217Url());
}

// A write confirmed by its own echo would be reported as done: with --echo
// off on a line that echoes, the read that goes first shows the echo and
// nothing is written.
TEST(CliEcho, OffOnALineThatEchoesWritesNothing) {
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.echo = true;
    ASSERT_TRUE(sim.Start(options));
    sim.SetSilent(true);
    const ProgramRun run = Cli(sim.DevicePath(), {"--echo", "off", "mode", "start"});
    EXPECT_EQ(1, run.status) << run.out;
    EXPECT_NE(std::string::npos, run.err.find("the line echoes every request")) << run.err;
    EXPECT_EQ(std::vector<Bytes>{ReadRequest(0x5003, 2)}, sim.Requests());
}

// A module that missed both reads before a write and then answered it: its
// answer is byte for byte an echo, and the message says which setting
// decides.
TEST(CliEcho, WriteThatCannotBeToldFromItsEchoSaysWhichSettingDecides) {
    ScriptedSlave slave;
    ASSERT_TRUE(slave.Start());
    slave.Queue({});
    slave.Queue({});
    slave.Queue(WriteOne(0x5001, 0));
    const ProgramRun run = Cli(slave.DevicePath(), {"mode", "start"});
    EXPECT_EQ(1, run.status) << run.out;
    EXPECT_NE(std::string::npos, run.err.find("could not tell whether this line echoes"))
        << run.err;
    EXPECT_NE(std::string::npos, run.err.find("--echo off or [com] echo=1")) << run.err;
    EXPECT_EQ(WriteOne(0x5001, 0), slave.Requests().back());
}

TEST(CliPorts, ListsEveryPortsEntryBesideThePresentDevices) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ProgramFolder folder;
    folder.WriteIni("[ports]\r\ncom3=" + sim.DevicePath() +
                    "\r\ncom7=rfc2217://127.0.0.1:4001\r\ncom9=/dev/quillon-unplugged\r\n");
    TempDir noDevices;
    setenv("QUILLON_SYSFS_ROOT", noDevices.path().c_str(), 1);
    const ProgramRun json =
        RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "--json", "ports"});
    const ProgramRun text = RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "ports"});
    unsetenv("QUILLON_SYSFS_ROOT");

    ASSERT_EQ(0, json.status) << json.err;
    const Json list = Json::parse(json.out, nullptr, false)["ports"];
    ASSERT_EQ(3u, list.size()) << json.out;
    EXPECT_EQ(3, list[0]["port"]);
    EXPECT_EQ(sim.DevicePath(), list[0]["path"]);
    EXPECT_EQ(true, list[0]["present"]);
    EXPECT_EQ(7, list[1]["port"]);
    EXPECT_EQ("rfc2217", list[1]["kind"]);
    EXPECT_EQ(false, list[2]["present"]);
    EXPECT_NE(std::string::npos, text.out.find("7   rfc2217://127.0.0.1:4001\n")) << text.out;
    EXPECT_NE(std::string::npos, text.out.find("9   /dev/quillon-unplugged  (not present)\n"))
        << text.out;
}

}  // namespace
