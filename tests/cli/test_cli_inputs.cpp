// quillon-cli given what it must not take as it comes: files that are no
// regular files, endless input, signals in the middle of an exchange, bytes
// and values the module would get wrong, text that would steer a terminal;
// and the messages that tell what to do instead.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "cliprogram.h"
#include "cserialport.h"
#include "fakeserialtree.h"
#include "frames.h"
#include "programfolder.h"

namespace {

// Whether a user other than root can open the device now: the exclusive flag
// of a terminal stops everybody but root.
bool OpensUnprivileged(const std::string& device) {
    if (geteuid() == 0) chmod(device.c_str(), 0666);
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 0 : errno == EBUSY ? 2 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool AllReads(const std::vector<Bytes>& requests) {
    for (const Bytes& request : requests)
        if (request[1] != 3) return false;
    return true;
}

TEST_F(CliProgram, FilesThatAreNoRegularFilesAreRefusedWithoutBlocking) {
    ProgramFolder folder;
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    RunOptions quick;
    quick.timeoutMs = 5000;
    const std::vector<std::vector<std::string>> cases = {
        {QUILLON_CLI_PROGRAM, "--port", m_sim.DevicePath(), "diff", fifo},
        {QUILLON_CLI_PROGRAM, "--port", m_sim.DevicePath(), "load", fifo},
        {QUILLON_CLI_PROGRAM, "--config", fifo, "--port", "1", "info"},
        {QUILLON_CLI_PROGRAM, "--port", m_sim.DevicePath(), "--trace", fifo, "info"},
    };
    for (const auto& args : cases) {
        const ProgramRun run = RunProgram(args, quick);
        EXPECT_EQ(2, run.status) << testing::PrintToString(args);
        EXPECT_NE(std::string::npos, run.err.find(fifo + ": it is a named pipe (FIFO)")) << run.err;
    }

    // The module's own line as the trace, also through a link: the text
    // would go out on the line.
    const std::string link = folder.path() + "/line";
    ASSERT_EQ(0, symlink(m_sim.DevicePath().c_str(), link.c_str()));
    for (const std::string& trace : {m_sim.DevicePath(), link}) {
        const ProgramRun run = Cli({"--trace", trace, "info"}, quick);
        EXPECT_EQ(2, run.status) << trace;
        EXPECT_NE(std::string::npos, run.err.find("it is a character device")) << run.err;
    }
    EXPECT_EQ(0u, m_sim.RequestCount()) << "something went out on the line";

    // A link to a regular file, or to nothing yet, is followed.
    const std::string target = folder.path() + "/trace.txt";
    ASSERT_EQ(0, symlink(target.c_str(), (folder.path() + "/trace").c_str()));
    EXPECT_EQ(0, Cli({"--trace", folder.path() + "/trace", "mode", "start"}).status);
    std::ifstream traced(target);
    std::string first;
    std::getline(traced, first);
    EXPECT_EQ(0u, first.rfind("# quillon-cli", 0)) << first;
}

TEST_F(CliProgram, StandardInputIsReadNoFurtherThanADocumentCanBe) {
    RunOptions options;
    options.stdinZeros = size_t{64} << 20;
    const ProgramRun run = Cli({"diff", "-"}, options);
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("standard input: larger than 256 KB")) << run.err;
    EXPECT_LT(run.fed, size_t{2} << 20) << "it read on past the limit";
    EXPECT_EQ(0u, m_sim.RequestCount());
}

TEST_F(CliProgram, AnInterruptedCommandLetsGoOfTheLine) {
    // Held by this test, the line is refused to another user: the check sees
    // the exclusive flag.
    CSerialPort held;
    ASSERT_EQ(kSerialOk, held.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0));
    EXPECT_FALSE(OpensUnprivileged(m_sim.DevicePath()));
    held.Close();
    ASSERT_TRUE(OpensUnprivileged(m_sim.DevicePath()));

    m_sim.InjectFault(ModuleSimulator::Fault::Silent, 100);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        m_sim.ClearRequests();
        RunOptions options;
        options.signal = signal;
        options.when = [this] { return m_sim.RequestCount() > 0; };
        const ProgramRun run = Cli({"--timeout", "5000", "info"}, options);
        EXPECT_EQ(128 + signal, run.status) << signal << ": " << run.err;
        EXPECT_TRUE(OpensUnprivileged(m_sim.DevicePath())) << "still exclusive after " << signal;
    }
}

TEST_F(CliProgram, IoWriteSendsOnlyTheBytesGiven) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"io", "write", ""}, {"io", "write", "AB"}, {"io", "write", "01", "02", "03"}}) {
        const ProgramRun run = Cli(args);
        EXPECT_EQ(2, run.status) << testing::PrintToString(args);
        EXPECT_NE(std::string::npos, run.err.find("nothing was written")) << run.err;
    }
    EXPECT_EQ(0u, m_sim.RequestCount());
    const ProgramRun run = Cli({"io", "write", "AB", "CD"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("wrote input bytes 0-1 (AB CD) to register 0x0001\n", run.out);
    EXPECT_EQ(WriteMany(0x0001, {0xCD, 0xAB}), m_sim.Requests().back());
}

TEST_F(CliProgram, ValuesAModuleCannotUseAreNeitherWrittenNorSaved) {
    // Under BCD switch coding (the simulator's) "38" is node 38, register
    // 0x0038; "3A" is no node number.
    for (const char* assignment :
         {"fieldbus.bit_rate=250", "fieldbus.bit_rate=9", "fieldbus.node_address=999",
          "fieldbus.node_address=0", "fieldbus.node_address=128", "fieldbus.node_address=3A"}) {
        const ProgramRun run = Cli({"set", assignment});
        EXPECT_EQ(2, run.status) << assignment;
    }
    EXPECT_TRUE(AllReads(m_sim.Requests())) << "a refused value was written";
    EXPECT_EQ(0, Cli({"set", "fieldbus.bit_rate=250 kbps", "fieldbus.node_address=127"}).status);
    const std::vector<Bytes> requests = m_sim.Requests();
    EXPECT_EQ(WriteOne(0x7004, 0x0127), requests[requests.size() - 2]);
    EXPECT_EQ(WriteOne(0x7006, 3), requests.back());

    m_sim.SetRegister(0x7004, 0x003A);
    m_sim.SetRegister(0x7006, 250);
    const Json document = CliJson({"read"});
    EXPECT_TRUE(document["fieldbus"]["node_address"].is_null()) << document.dump();
    EXPECT_TRUE(document["fieldbus"]["bit_rate"].is_null()) << document.dump();
}

TEST(CliPorts, TextEscapesControlCharactersThatJsonKeeps) {
    // OSC (retitles the window), then U+009B, the one-character CSI.
    const std::string hostile =
        "\033]0;owned\007Adapter \xC2\x9B"
        "31m";
    FakeSerialTree tree;
    tree.AddUsbSerial("ttyUSB0", "1-2", {"FTDI", hostile, "A1", "0403", "6001"}, "ftdi_sio", "");
    ProgramFolder folder;
    setenv("QUILLON_DEV_ROOT", tree.Dev().c_str(), 1);
    setenv("QUILLON_SYSFS_ROOT", tree.Sys().c_str(), 1);
    const ProgramRun text = RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "ports"});
    const ProgramRun json =
        RunProgram({QUILLON_CLI_PROGRAM, "--config", folder.iniPath(), "--json", "ports"});
    unsetenv("QUILLON_DEV_ROOT");
    unsetenv("QUILLON_SYSFS_ROOT");
    EXPECT_EQ(std::string::npos, text.out.find('\033')) << text.out;
    EXPECT_EQ(std::string::npos, text.out.find("\xC2\x9B")) << text.out;
    EXPECT_NE(std::string::npos, text.out.find("\\x1B]0;owned\\x07Adapter \\u009B31m")) << text.out;
    EXPECT_EQ(hostile, Json::parse(json.out, nullptr, false)["ports"][0]["product"]);

    // The module's product name: character 2k in the low byte of its register.
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    sim.SetRegister(0x7011, '[' << 8 | 0x1B);
    sim.SetRegister(0x7012, 'J' << 8 | '2');
    sim.SetRegister(0x7013, 0);
    for (const char* command : {"info", "read"}) {
        const ProgramRun run = RunProgram({QUILLON_CLI_PROGRAM, "--port", sim.DevicePath(), command});
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ(std::string::npos, run.out.find('\033')) << run.out;
        EXPECT_NE(std::string::npos, run.out.find("\\x1B[2J")) << run.out;
    }
    const ProgramRun info =
        RunProgram({QUILLON_CLI_PROGRAM, "--port", sim.DevicePath(), "--json", "info"});
    EXPECT_EQ("\033[2J", Json::parse(info.out, nullptr, false)["device"]["product_name"]);
}

TEST_F(CliProgram, MessagesSayWhatToTryNext) {
    // Silence and cut answers point at the line settings and the search.
    for (const auto fault : {ModuleSimulator::Fault::Silent, ModuleSimulator::Fault::Truncated}) {
        m_sim.ClearFaults();
        m_sim.InjectFault(fault, 3, 3);
        const ProgramRun run = Cli({"--timeout", "50", "time"});
        EXPECT_EQ(1, run.status);
        EXPECT_NE(std::string::npos, run.err.find("check the line settings")) << run.err;
        EXPECT_NE(std::string::npos,
                  run.err.find("quillon-cli --port " + m_sim.DevicePath() + " scan"))
            << run.err;
    }
    m_sim.ClearFaults();
    m_sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    EXPECT_EQ(std::string::npos, Cli({"time"}).err.find("check the line"))
        << "a refusal is no line fault";

    const struct {
        std::vector<std::string> args;
        const char* guess;
    } typos[] = {{{"raed"}, "did you mean \"read\"?"},
                 {{"--json", "io", "wirte", "01"}, "did you mean \"io write\"?"},
                 {{"--port", "1", "evnets"}, "did you mean \"events\"?"}};
    for (const auto& typo : typos) {
        std::vector<std::string> args = {QUILLON_CLI_PROGRAM};
        args.insert(args.end(), typo.args.begin(), typo.args.end());
        const ProgramRun run = RunProgram(args);
        EXPECT_EQ(2, run.status);
        EXPECT_NE(std::string::npos, run.err.find(typo.guess)) << run.err;
    }

    const ProgramRun scan = RunProgram({QUILLON_CLI_PROGRAM, "--port", "/dev/quillon-none", "scan"});
    EXPECT_EQ(3, scan.status);
    EXPECT_NE(std::string::npos, scan.err.find("the port could not be opened")) << scan.err;
    EXPECT_EQ(std::string::npos, scan.err.find("no module found")) << scan.err;

    // The error messages as the fieldbus page's grid shows them.
    const uint16_t messages[12] = {0x0001, 0x8130, 0x0010, 0x0002, 0x8210, 0x0020,
                                   0x0003, 0x8120, 0x0008, 0x0004, 0x5000, 0x0001};
    for (uint16_t i = 0; i < 12; ++i) m_sim.SetRegister(0x7023 + i, messages[i]);
    EXPECT_EQ(
        "index  error code\n00 01  81 30 00 10\n00 02  82 10 00 20\n00 03  81 20 00 08\n"
        "00 04  50 00 00 01\n",
        Cli({"errors"}).out);
    EXPECT_EQ("81 20 00 08", CliJson({"errors"})["errors"][2]["error_code"]);

    for (const char* program : {QUILLON_CLI_PROGRAM, QUILLON_SIM_PROGRAM}) {
        const ProgramRun run = RunProgram({program, "--version"});
        EXPECT_EQ(0, run.status) << program;
        EXPECT_NE(std::string::npos, run.out.find(" " QUILLON_VERSION "\n")) << run.out;
    }
}

}  // namespace
