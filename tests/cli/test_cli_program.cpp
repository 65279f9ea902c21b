// quillon-cli run as a program against the module simulator: each command
// with its JSON read back, an exit status for each kind of failure, usage
// errors, help and the man page.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cliprogram.h"
#include "config_document.h"
#include "fakeserialtree.h"
#include "frames.h"
#include "modulesimulator.h"
#include "programfolder.h"

namespace {

TEST_F(CliProgram, EveryCommandAnswersInJsonAndText) {
    m_sim.SetRegister(0x7002, 5);
    m_sim.SetRegister(0x1001, 0xA1B2);

    const Json info = CliJson({"info"});
    EXPECT_EQ("tavel/canopen", info["module_type"]);
    EXPECT_EQ("VX31-CANopen", info["device"]["product_name"]);
    EXPECT_EQ("00 00 03 A5", info["device"]["vendor_id"]);
    EXPECT_EQ("Operational", info["module_state"]);
    EXPECT_EQ("总线正常", info["fieldbus_status"]);

    // Set after info, whose general-block read clears the event word.
    m_sim.SetRegister(0x500A, 0x0009);
    const Json events = CliJson({"events"});
    EXPECT_EQ(9, events["events"]);
    EXPECT_EQ((Json{"I/O", "START"}), events["bits"]);

    const Json written = CliJson({"io", "write", "01 02", "0304", "5", "6"});
    EXPECT_EQ("01 02 03 04 05 06", written["input_data"]);
    EXPECT_EQ(3, written["registers"]);
    EXPECT_EQ(WriteMany(0x0001, {0x02, 0x01, 0x04, 0x03, 0x06, 0x05}), m_sim.Requests().back());
    const Json output = CliJson({"io", "read", "5"});
    EXPECT_EQ(5, output["length"]);
    EXPECT_EQ("01 02 03 04 05", output["output_data"]);

    EXPECT_EQ(71u, CliJson({"errors"})["error_message"].get<std::string>().size());
    const Json time = CliJson({"time"});
    EXPECT_EQ(10u, time["date"].get<std::string>().size());
    EXPECT_EQ(m_sim.Register(0x7045), time["days"]);

    EXPECT_EQ("reset", CliJson({"mode", "reset"})["mode"]);
    EXPECT_EQ(WriteOne(0x5001, 3), m_sim.Requests().back());
    const Json emergency = CliJson({"emergency", "8130", "1"});
    EXPECT_EQ("81 30", emergency["emergency_standard"]);
    EXPECT_EQ(WriteMany(0x7021, {0x81, 0x30, 0x01, 0x00}), m_sim.Requests().back());

    const Json scan = CliJson({"scan"});
    EXPECT_EQ(true, scan["found"]);
    EXPECT_EQ(115200, scan["baud"]);
    EXPECT_EQ("none", scan["parity"]);

    // Text for a person.
    ProgramRun run = Cli({"info"});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("module_type                     tavel/canopen\n"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("module_state                    Operational\n"))
        << run.out;
    run = Cli({"io", "read", "2"});
    EXPECT_EQ("01 02\n", run.out);
    run = Cli({"scan"});
    EXPECT_EQ("found port=" + m_sim.DevicePath() + " baud=115200 data=8 parity=none stop=1\n",
              run.out);
    EXPECT_EQ("", run.err) << "progress is shown only on a terminal";
}

TEST_F(CliProgram, ConfigurationDocumentSavedChangedComparedAndLoaded) {
    ProgramFolder folder;
    const std::string file = folder.path() + "/vx31.json";
    ProgramRun run = Cli({"save", file});
    ASSERT_EQ(0, run.status) << run.err;
    std::ifstream saved(file);
    const Json document = Json::parse(saved, nullptr, false);
    EXPECT_EQ(25, document["fieldbus"]["node_address"]);
    EXPECT_EQ(document, CliJson({"read"})) << "read --json is the saved document";
    EXPECT_NE(std::string::npos, Cli({"read"}).out.find("fieldbus.node_address           25\n"));

    // One key: the three block reads, then only the node address's frame.
    m_sim.ClearRequests();
    run = Cli({"set", "fieldbus.node_address=38"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("fieldbus.node_address: 25 -> 38\nwritten: node address\n", run.out);
    ASSERT_EQ(4u, m_sim.RequestCount());
    EXPECT_EQ(WriteOne(0x7004, 0x0038), m_sim.Requests()[3]);

    run = Cli({"--json", "diff", file});
    EXPECT_EQ(1, run.status) << "diff found a difference";
    const Json diff = Json::parse(run.out, nullptr, false);
    ASSERT_EQ(1u, diff["differences"].size()) << run.out;
    EXPECT_EQ("fieldbus.node_address", diff["differences"][0]["key"]);
    EXPECT_EQ("38", diff["differences"][0]["module"]);
    EXPECT_EQ("25", diff["differences"][0]["file"]);

    m_sim.ClearRequests();
    run = Cli({"load", "--dry-run", file});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("would write: node address")) << run.out;
    EXPECT_EQ(3u, m_sim.RequestCount()) << "a dry run wrote";
    run = Cli({"load", file});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(WriteOne(0x7004, 0x0025), m_sim.Requests().back());
    run = Cli({"diff", file});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);

    // The device information goes only after the password.
    m_sim.ClearRequests();
    run = Cli({"set", "fieldbus.product_name=VX31 网关"});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("--password")) << run.err;
    EXPECT_EQ(3u, m_sim.RequestCount()) << "something was written without the password";
    run = Cli({"--password", "4321", "set", "fieldbus.product_name=VX31 网关"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("writing the fieldbus password")) << run.err;
    run = Cli({"--password", "1234", "set", "fieldbus.product_name=VX31 网关"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(0x7003, m_sim.Requests()[m_sim.RequestCount() - 2][3] | 0x7000);
    EXPECT_EQ("VX31 网关", CliJson({"info"})["device"]["product_name"]);

    // Refused input names its key; nothing is written.
    m_sim.ClearRequests();
    std::ofstream(file) << "{\"format\": 1, \"module_type\": \"tavel/canopen\", "
                           "\"general\": {\"parity\": \"mark\"}}";
    run = Cli({"load", file});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("general.parity")) << run.err;
    std::ofstream(file) << "{\"format\": 1, \"module_type\": \"tavel/devicenet\"}";
    EXPECT_EQ(2, Cli({"load", file}).status) << "a document of another module type";
    EXPECT_EQ(2, Cli({"load", folder.path() + "/missing.json"}).status);
    EXPECT_EQ(2, Cli({"set", "fieldbus.colour=red"}).status);
    EXPECT_EQ(2, Cli({"set", "general.watchdog_ms=lots"}).status);
    for (const auto& request : m_sim.Requests())
        EXPECT_EQ(3, request[1]) << "a refused input wrote";
    EXPECT_EQ(2, Cli({"save", folder.path() + "/no/such/folder/x.json"}).status);
}

TEST(CliEcho, EchoingAdapterIsRecognisedUnlessTurnedOff) {
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.echo = true;
    ASSERT_TRUE(sim.Start(options));
    const std::string port = sim.DevicePath();
    for (const char* mode : {"auto", "on"}) {
        const ProgramRun info =
            RunProgram({QUILLON_CLI_PROGRAM, "--port", port, "--echo", mode, "info"});
        EXPECT_EQ(0, info.status) << mode << ": " << info.err;
        const ProgramRun emergency = RunProgram(
            {QUILLON_CLI_PROGRAM, "--port", port, "--echo", mode, "emergency", "1000", "0"});
        EXPECT_EQ(0, emergency.status) << mode << ": " << emergency.err;
    }
    EXPECT_EQ(1, RunProgram({QUILLON_CLI_PROGRAM, "--port", port, "--echo", "off", "info"}).status);
    const ProgramRun scan = RunProgram({QUILLON_CLI_PROGRAM, "--port", port, "scan"});
    EXPECT_EQ(0, scan.status) << scan.err;
    EXPECT_EQ(2,
              RunProgram({QUILLON_CLI_PROGRAM, "--port", port, "--echo", "maybe", "info"}).status);
}

TEST_F(CliProgram, TraceFileHoldsEveryExchangeAsTheMonitorsRows) {
    ProgramFolder folder;
    const std::string trace = folder.path() + "/trace.txt";
    m_sim.InjectFault(ModuleSimulator::Fault::None, 1);
    m_sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    // The wire log's rows in the programs' own language.
    RunOptions chinese;
    chinese.locale = "zh_CN.UTF-8";
    EXPECT_EQ(1, Cli({"--trace", trace, "info"}, chinese).status);
    EXPECT_EQ(0, Cli({"--trace", trace, "mode", "start"}, chinese).status);

    std::ifstream in(trace);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(10u, lines.size());
    // Two starts, then a request and an answer line each: the general block
    // read, the fieldbus block read and its exception; the echo probe and
    // the mode write.
    EXPECT_EQ(0u, lines[0].rfind("# quillon-cli 开始跟踪 ", 0)) << lines[0];
    EXPECT_NE(std::string::npos, lines[1].find("\t发送\t8\t\t读 0x5001×31")) << lines[1];
    EXPECT_NE(std::string::npos, lines[2].find("\t接收\t67\t")) << lines[2];
    EXPECT_NE(std::string::npos, lines[4].find("异常响应 02")) << lines[4];
    EXPECT_EQ(0u, lines[5].rfind("# quillon-cli", 0)) << lines[5];
    EXPECT_NE(std::string::npos, lines[8].find("01 06 50 01 00 00")) << lines[8];

    const ProgramRun bad = Cli({"--trace", folder.path() + "/no/such/folder/trace.txt", "info"});
    EXPECT_EQ(2, bad.status);
    EXPECT_NE(std::string::npos, bad.err.find("cannot write the trace file")) << bad.err;
}

TEST_F(CliProgram, EventsFollowPrintsJsonLinesUntilInterrupted) {
    m_sim.SetRegister(0x500A, 0x0200);
    const ProgramRun run = Cli({"--json", "events", "--follow", "20"}, 3);
    EXPECT_EQ(0, run.status) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const Json j = Json::parse(line, nullptr, false);
        ASSERT_TRUE(j.is_object()) << line;
        EXPECT_TRUE(j.contains("time"));
        EXPECT_EQ(count == 0 ? 0x200 : 0, j["events"]) << line;
        ++count;
    }
    EXPECT_GE(count, 3);
}

TEST_F(CliProgram, EachFailureHasItsExitStatus) {
    using Fault = ModuleSimulator::Fault;
    struct Case {
        const char* name;
        Fault fault;
        int param;
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {"time-out", Fault::Silent, 0, {"info"}, "no answer within 117 ms"},
        {"exception", Fault::Exception, 4, {"mode", "start"}, "exception 04"},
        {"bad crc", Fault::BadCrc, 0, {"errors"}, "CRC is wrong"},
        {"cut short", Fault::Truncated, 3, {"time"}, "cut short"},
        {"follow gives up",
         Fault::Silent,
         0,
         {"--timeout", "20", "events", "--follow", "1"},
         "reading the events"},
    };
    for (const Case& c : cases) {
        m_sim.ClearFaults();
        m_sim.InjectFault(c.fault, 3, c.param);
        const ProgramRun run = Cli(c.args);
        EXPECT_EQ(1, run.status) << c.name;
        EXPECT_EQ("", run.out) << c.name;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.name << ": " << run.err;
    }

    // No module at any setting: every try is made, and the message names them.
    m_sim.ClearFaults();
    m_sim.ClearRequests();
    m_sim.InjectFault(Fault::Silent, 30);
    ProgramRun run = Cli({"scan"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(30u, m_sim.RequestCount());
    EXPECT_NE(std::string::npos,
              run.err.find("2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, "
                           "614400 baud with parity none, even and odd"))
        << run.err;

    run = RunProgram({QUILLON_CLI_PROGRAM, "--port", "/dev/quillon-no-such-port", "info"});
    EXPECT_EQ(3, run.status);
    EXPECT_NE(std::string::npos, run.err.find("/dev/quillon-no-such-port")) << run.err;
}

TEST_F(CliProgram, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--parity", "mark", "info"},
        {"--stop", "3", "info"},
        {"--baud", "fast", "info"},
        {"io"},
        {"io", "write"},
        {"io", "write", "0G"},
        {"io", "write", "123"},
        {"io", "write", std::string(290, 'A')},
        {"io", "read", "145"},
        {"mode", "sleep"},
        {"emergency", "01"},
        {"emergency", "010203", "00"},
        {"save"},
        {"set"},
        {"--password", "12345", "set", "fieldbus.node_address=1"},
        {"--password", "xyz", "set", "fieldbus.node_address=1"},
        {"info", "extra"},
    };
    for (const auto& args : cases) {
        const ProgramRun run = Cli(args);
        EXPECT_EQ(2, run.status) << testing::PrintToString(args);
        EXPECT_FALSE(run.err.empty()) << testing::PrintToString(args);
    }
    EXPECT_EQ(0u, m_sim.RequestCount()) << "a usage error sent something";

    for (const char* port : {"0", "256", "COM3", ""}) {
        const ProgramRun run = RunProgram({QUILLON_CLI_PROGRAM, "--port", port, "info"});
        EXPECT_EQ(2, run.status) << port;
    }
    EXPECT_EQ(2, RunProgram({QUILLON_CLI_PROGRAM, "info"}).status) << "no --port";
}

TEST(CliHelp, EveryCommandHasHelpAndTheManPageIsCurrent) {
    const std::vector<std::vector<std::string>> commands = {
        {},         {"ports"}, {"info"}, {"scan"},       {"read"},        {"save"},
        {"load"},   {"diff"},  {"set"},  {"io", "read"}, {"io", "write"}, {"events"},
        {"errors"}, {"time"},  {"mode"}, {"emergency"}};
    for (const auto& command : commands) {
        std::vector<std::string> args = {QUILLON_CLI_PROGRAM};
        args.insert(args.end(), command.begin(), command.end());
        args.push_back("--help");
        const ProgramRun run = RunProgram(args);
        EXPECT_EQ(0, run.status);
        std::string usage = "Usage: quillon-cli";
        for (const std::string& word : command) usage += " " + word;
        EXPECT_NE(std::string::npos, run.out.find(usage)) << run.out;
    }

    const ProgramRun man = RunProgram({QUILLON_CLI_PROGRAM, "--man"});
    EXPECT_EQ(0, man.status);
    std::ifstream file(QUILLON_CLI_MAN_PAGE, std::ios::binary);
    std::stringstream checkedIn;
    checkedIn << file.rdbuf();
    EXPECT_TRUE(man.out == checkedIn.str())
        << "packaging/quillon-cli.1 is out of date: cmake --build <build> --target quillon-cli-man";
    // Every key set takes, with its values, in the page and in set --help.
    const std::string setHelp = RunProgram({QUILLON_CLI_PROGRAM, "set", "--help"}).out;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const std::string key = ConfigFieldPath(static_cast<ConfigField>(f));
        EXPECT_NE(std::string::npos, man.out.find("\\fB" + key + "\\fR\n")) << key;
        EXPECT_NE(std::string::npos, setHelp.find("  " + key + "\n")) << key;
    }
    EXPECT_NE(std::string::npos, man.out.find("\"500 kbps\"")) << "the values are missing";
    EXPECT_NE(std::string::npos, man.out.find(".SH SEE ALSO\n.BR quillon (1),\n"));
}

TEST(CliHelp, LinksNoQtLibrary) {
    const ProgramRun ldd = RunProgram({"/usr/bin/ldd", QUILLON_CLI_PROGRAM});
    ASSERT_EQ(0, ldd.status) << ldd.err;
    EXPECT_NE(std::string::npos, ldd.out.find("libc.so")) << ldd.out;
    EXPECT_EQ(std::string::npos, ldd.out.find("libQt")) << ldd.out;
}

TEST(CliPorts, NumbersMapThroughTheConfigGivenAndScanFindsTheLineRate) {
    ProgramFolder folder;
    // quillon-sim maps port 1 to its device in that config.ini and answers
    // only a master whose line runs at 19200 baud.
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--config", folder.iniPath(), "--line", "19200"});
    // The first line is the device; config.ini is written before it.
    ASSERT_FALSE(sim.ReadLine(5000).empty());
    const std::string config = folder.iniPath();

    ProgramRun run = RunProgram({QUILLON_CLI_PROGRAM, "--config", config, "--port", "1", "scan"});
    EXPECT_EQ(0, run.status) << run.err;
    // A pseudo-terminal carries no parity: the first 19200 try (8E1) answers.
    EXPECT_EQ("found port=1 baud=19200 data=8 parity=even stop=1\n", run.out);
    run = RunProgram({QUILLON_CLI_PROGRAM, "--config", config, "--port", "1", "--baud", "19200",
                      "--json", "info"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("tavel/canopen", Json::parse(run.out, nullptr, false)["module_type"]);
    run = RunProgram({QUILLON_CLI_PROGRAM, "--config", config, "--port", "1", "info"});
    EXPECT_EQ(1, run.status) << "115200 is not the module's rate";
}

TEST(CliPorts, ListsPresentDevicesAndSearchesThemAll) {
    FakeSerialTree tree;
    tree.AddUsbSerial("ttyUSB0", "1-2", {"FTDI", "FT232R USB UART", "A1B2C3", "0403", "6001"},
                      "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    tree.AddAcm("ttyACM0", "1-3", {"Tavel", "VX31 Link", "0007", "1234", "5678"},
                "usb-Tavel_VX31_Link_0007-if00");
    ProgramFolder folder;
    setenv("QUILLON_DEV_ROOT", tree.Dev().c_str(), 1);
    setenv("QUILLON_SYSFS_ROOT", tree.Sys().c_str(), 1);
    const ProgramRun ports =
        RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "--json", "ports"});
    const ProgramRun text =
        RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "ports"});
    const ProgramRun scan = RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "scan"});
    RunOptions chinese;
    chinese.locale = "zh_CN.UTF-8";
    const ProgramRun open = RunProgram(
        {QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "--port", "2", "info"}, chinese);
    const ProgramRun scanInChinese =
        RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "scan"}, chinese);
    unsetenv("QUILLON_DEV_ROOT");
    unsetenv("QUILLON_SYSFS_ROOT");

    ASSERT_EQ(0, ports.status) << ports.err;
    const Json list = Json::parse(ports.out, nullptr, false)["ports"];
    ASSERT_EQ(2u, list.size()) << ports.out;
    EXPECT_EQ(1, list[0]["port"]);
    EXPECT_EQ("/dev/ttyACM0", list[0]["path"]);
    EXPECT_EQ(2, list[1]["port"]);
    EXPECT_EQ("ftdi_sio", list[1]["driver"]);
    // The numbers are stored as the programs store them, by the stable name.
    EXPECT_EQ("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0",
              folder.IniText("ports", "com2"));
    EXPECT_NE(std::string::npos, text.out.find("2   ttyUSB0 · FT232R USB UART · A1B2C3"))
        << text.out;

    // The fake devices are no terminals: each is given up with its reason
    // after one try, and no module is said to be missing where none was
    // searched for.
    EXPECT_EQ(3, scan.status);
    EXPECT_NE(std::string::npos, scan.err.find("ttyACM0 is not a serial device")) << scan.err;
    EXPECT_NE(std::string::npos, scanInChinese.err.find("ttyACM0 不是串口设备"))
        << scanInChinese.err;
    EXPECT_NE(std::string::npos, scan.err.find("no port could be opened")) << scan.err;
    EXPECT_EQ(std::string::npos, scan.err.find("no module found")) << scan.err;
    EXPECT_EQ(3, open.status);
    EXPECT_NE(std::string::npos,
              open.err.find("找不到设备 /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3"))
        << open.err;
}

}  // namespace
