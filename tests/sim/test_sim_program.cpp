// quillon-sim as a program, and a third-party master (mbpoll) against it.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ccontrolini.h"
#include "childprocess.h"
#include "response_check.h"
#include "simclient.h"
#include "tempdir.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsCharacterDevice(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

TEST(SimProgram, ServesWritesConfigAndStopsCleanly) {
    TempDir dir;
    const std::string config = dir.file("config.ini");
    {
        std::ofstream out(config, std::ios::binary);
        out << "; kept\r\n[com]\r\nbaud=6\r\n[ports]\r\ncom2=/dev/ttyUSB1\r\n";
    }
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--config", config, "--password", "00ff", "--log"});
    const std::string device = sim.ReadLine(5000);
    ASSERT_TRUE(IsCharacterDevice(device)) << device;

    CControlIni ini;
    ini.SetPath(config);
    std::string mapped;
    ASSERT_TRUE(ini.ReadString("ports", "com1", &mapped));
    EXPECT_EQ(device, mapped);
    const std::string text = FileText(config);
    EXPECT_NE(std::string::npos, text.find("; kept\r\n[com]\r\nbaud=6\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("com2=/dev/ttyUSB1\r\n")) << text;

    SimClient client;
    ASSERT_TRUE(client.Open(device));
    const Bytes answer = client.Read(0x5001, 31);
    EXPECT_EQ(62, AcceptBlockRead(0, answer.data(), answer.size(), 62));
    // --log shows the request in hex.
    EXPECT_NE(std::string::npos, sim.ReadLine(2000).find("01 03 50 01 00 1F"));
    EXPECT_TRUE(IsGoodResponse(0, client.WriteOne(0x7003, 0x00FF).data(), 8, 6));

    EXPECT_EQ(0, sim.StopWith(SIGTERM));
}

TEST(SimProgram, EchoesBeforeAnswering) {
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--echo"});
    const std::string device = sim.ReadLine(5000);
    ASSERT_TRUE(IsCharacterDevice(device)) << device;
    SimClient client;
    ASSERT_TRUE(client.Open(device));
    const Bytes request = ReadRequest(0x5003, 2);
    Bytes both = request;
    const Bytes answer = ReadAnswer({0x02, 0x01, 0x00, 0x01});
    both.insert(both.end(), answer.begin(), answer.end());
    EXPECT_EQ(both, client.Raw(request, both.size()));
    EXPECT_EQ(0, sim.StopWith(SIGTERM));
}

TEST(SimProgram, StopsOnInterruptAndRefusesBadArguments) {
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--baud", "115200"});
    ASSERT_TRUE(IsCharacterDevice(sim.ReadLine(5000)));
    EXPECT_EQ(0, sim.StopWith(SIGINT));

    ChildProcess bad({QUILLON_SIM_PROGRAM, "--baud", "fast"});
    EXPECT_EQ(2, bad.StopWith(0));
}

TEST(SimProgram, ManPageDocumentsEveryOptionOfTheHelp) {
    ChildProcess help({QUILLON_SIM_PROGRAM, "--help"});
    const std::string page = FileText(QUILLON_SIM_MAN_PAGE);
    int options = 0;
    for (std::string line = help.ReadLine(5000); !line.empty(); line = help.ReadLine(5000)) {
        if (line.rfind("  --", 0) != 0) continue;
        const std::string option = line.substr(4, line.find(' ', 4) - 4);
        // Its own entry under OPTIONS: ".B \-\-echo", ".BI \-\-line " rate"".
        std::string entry = " \\-\\-";
        for (char c : option) entry += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(page.find("\n.B" + entry + "\n") != std::string::npos ||
                    page.find("\n.BI" + entry + " ") != std::string::npos)
            << option;
        ++options;
    }
    EXPECT_GE(options, 7);
}

TEST(SimProgram, LineRateAnswersOnlyAMasterAtThatRate) {
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--line", "19200", "--log"});
    const std::string device = sim.ReadLine(5000);
    ASSERT_TRUE(IsCharacterDevice(device)) << device;

    SimClient wrong;
    ASSERT_TRUE(wrong.Open(device, 9600));
    EXPECT_TRUE(wrong.Read(0x6001, 2).empty());
    EXPECT_NE(std::string::npos, sim.ReadLine(2000).find("another line rate"));
    wrong.Port().Close();

    SimClient right;
    ASSERT_TRUE(right.Open(device, 19200));
    const Bytes answer = right.Read(0x6001, 2);
    EXPECT_EQ(4, AcceptBlockRead(0, answer.data(), answer.size(), 22));
    EXPECT_EQ(16, SimClient::Word(answer, 0));

    ChildProcess bad({QUILLON_SIM_PROGRAM, "--line", "0"});
    EXPECT_EQ(2, bad.StopWith(0));
}

TEST(SimProgram, MbpollReadsTheGeneralBlock) {
    const char* const mbpoll = "/usr/bin/mbpoll";
    if (access(mbpoll, X_OK) != 0)
        GTEST_SKIP() << "mbpoll is not installed (apt-get install mbpoll)";

    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    // mbpoll counts references from 1: reference 20482 is register 0x5001.
    const std::string command = std::string(mbpoll) +
                                " -m rtu -a 1 -r 20482 -c 16 -t 4:hex -b 115200 -P none -1 " +
                                sim.DevicePath() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::string output;
    char line[256];
    while (fgets(line, sizeof line, pipe) != nullptr) output += line;
    EXPECT_EQ(0, pclose(pipe)) << output;

    for (uint16_t k = 0; k < 16; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "[%u]: \t0x%04X", 20482u + k,
                      sim.Register(static_cast<uint16_t>(0x5001 + k)));
        if (k == 9) continue;  // the event word was cleared by the read itself
        EXPECT_NE(std::string::npos, output.find(expected)) << expected << "\n" << output;
    }
    EXPECT_NE(std::string::npos, output.find("[20491]: \t0x0001")) << output;
    ASSERT_EQ(1u, sim.RequestCount());
    EXPECT_EQ(ReadRequest(0x5001, 16), sim.Requests()[0]);
}

// A third-party Modbus TCP master reads through the simulator's gateway,
// started with the program: the MBAP framing is checked by someone else.
TEST(SimProgram, MbpollReadsThroughTheModbusTcpGateway) {
    const char* const mbpoll = "/usr/bin/mbpoll";
    if (access(mbpoll, X_OK) != 0)
        GTEST_SKIP() << "mbpoll is not installed (apt-get install mbpoll)";
    ChildProcess sim({QUILLON_SIM_PROGRAM, "--modbus-tcp", "0"});
    ASSERT_EQ(0u, sim.ReadLine(5000).rfind("/dev/pts/", 0));
    const std::string url = sim.ReadLine(5000);
    ASSERT_EQ(0u, url.rfind("modbus-tcp://127.0.0.1:", 0)) << url;
    const std::string port = url.substr(url.rfind(':') + 1);
    const std::string command = std::string(mbpoll) + " -m tcp -p " + port +
                                " -a 1 -r 20484 -c 2 -t 4:hex -1 127.0.0.1 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::string output;
    char line[256];
    while (fgets(line, sizeof line, pipe) != nullptr) output += line;
    EXPECT_EQ(0, pclose(pipe)) << output;
    // The module type, 0x5003 and 0x5004.
    EXPECT_NE(std::string::npos, output.find("[20484]: \t0x0201")) << output;
    EXPECT_NE(std::string::npos, output.find("[20485]: \t0x0001")) << output;
    EXPECT_EQ(0, sim.StopWith(SIGTERM));
}

}  // namespace
