// Opening, configuring and guarding the serial line, over a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ccontrolini.h"
#include "cserialport.h"
#include "device_class.h"
#include "iniportdirectory.h"
#include "line_probe.h"
#include "modulesimulator.h"
#include "tempdir.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct FileState {
    std::string text;
    struct stat info {};
};

FileState Snapshot(const std::string& path) {
    FileState state;
    state.text = FileText(path);
    stat(path.c_str(), &state.info);
    return state;
}

void ExpectUnchanged(const FileState& before, const std::string& path) {
    const FileState after = Snapshot(path);
    EXPECT_EQ(before.text, after.text);
    EXPECT_EQ(before.info.st_size, after.info.st_size);
    EXPECT_EQ(before.info.st_mtim.tv_sec, after.info.st_mtim.tv_sec);
    EXPECT_EQ(before.info.st_mtim.tv_nsec, after.info.st_mtim.tv_nsec);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }
    const std::string& Device() const { return m_sim.DevicePath(); }

    ModuleSimulator m_sim;
};

TEST(SerialTimeoutMs, Formula) {
    const std::pair<int, int> cases[] = {{9600, 312},   {230400, 108}, {115200, 117}, {2400, 950},
                                         {614400, 103}, {19200, 206},  {2040001, 100}};
    for (const auto& [baud, ms] : cases) EXPECT_EQ(ms, SerialTimeoutMs(baud)) << baud;
}

struct SilenceCase {
    int baud, dataBits, stopBits, parity;
    int64_t characterNs, silenceNs;
};

// A character is a start bit, the data bits, a parity bit unless there is
// none, and the stop bits; a request waits 3.5 of them, or 1.75 ms above
// 19200 baud.
TEST(FrameSilenceNs, ThreeAndAHalfCharactersOrFixedAboveNineteenTwoHundred) {
    const SilenceCase cases[] = {
        {9600, 8, 0, 0, 1041666, 3645833},   // 10 bits
        {9600, 8, 0, 2, 1145833, 4010416},   // 11 bits: even parity
        {2400, 7, 2, 1, 4583333, 16041666},  // 11 bits: odd parity, 2 stop bits
        {4800, 5, 1, 3, 1770833, 6197916},   // 8.5 bits: mark, 1.5 stop bits
        {19200, 8, 0, 9, 520833, 1822916},   // parity 9 is none
        {19200, 8, 7, 0, 520833, 1822916},   // stop bits 7 is one
        {38400, 8, 0, 0, 260416, 1750000},  {115200, 8, 2, 4, 104166, 1750000},
        {614400, 8, 0, 0, 16276, 1750000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.baud << " " << c.dataBits << " " << c.stopBits << " " << c.parity);
        EXPECT_EQ(c.characterNs, CharacterTimeNs(c.baud, c.dataBits, c.stopBits, c.parity));
        EXPECT_EQ(c.silenceNs, FrameSilenceNs(c.baud, c.dataBits, c.stopBits, c.parity));
    }
}

TEST(DevicePathForPort, PortsSectionOrTtyS) {
    TempDir dir;
    CControlIni ini;
    ini.SetPath(dir.file("config.ini"));
    EXPECT_EQ("/dev/ttyS0", DevicePathForPort(1, nullptr));
    EXPECT_EQ("/dev/ttyS2", DevicePathForPort(3, &ini));  // no file yet

    ASSERT_TRUE(ini.WriteString("ports", "com3", "/dev/ttyUSB0"));
    ASSERT_TRUE(ini.WriteString("ports", "com4", ""));
    EXPECT_EQ("/dev/ttyUSB0", DevicePathForPort(3, &ini));
    EXPECT_EQ("/dev/ttyS3", DevicePathForPort(4, &ini));
    EXPECT_EQ("/dev/ttyS254", DevicePathForPort(255, &ini));
}

TEST_F(SerialPortTest, OpensAnyOfferedRateRawAndExclusive) {
    for (int baud : {2400, 9600, 115200, 230400, 614400}) {
        SCOPED_TRACE(baud);
        CSerialPort port;
        ASSERT_EQ(kSerialOk, port.OpenDevice(Device(), baud, 8, 0, 0, 0));
        EXPECT_TRUE(port.IsOpen());
        EXPECT_EQ(SerialTimeoutMs(baud), port.TimeoutMs());
        LineProbe line;
        ASSERT_TRUE(ProbeLine(port.Handle(), &line));
        EXPECT_EQ(static_cast<uint32_t>(baud), line.ospeed);
        EXPECT_EQ(static_cast<uint32_t>(baud), line.ispeed);
        EXPECT_TRUE(line.raw);
        EXPECT_TRUE(line.receiverOn);
        EXPECT_TRUE(line.parityCheck);
        port.Close();
        EXPECT_FALSE(port.IsOpen());
        port.Close();  // closing a closed port does nothing
    }
}

struct LineCase {
    int stopBits, parity, flow;
    bool parityOdd, stick, twoStop, xonXoff, rtsCts;
};

// A pseudo-terminal keeps every flag but PARENB (always cleared) and the
// character size (always 8 bits), so those two are checked separately.
TEST_F(SerialPortTest, LineSettingsTable) {
    const LineCase cases[] = {
        {0, 0, 0, false, false, false, false, false}, {2, 2, 0, false, false, true, false, false},
        {1, 1, 0, true, false, true, false, false},    // 1.5 stop bits share CSTOPB
        {0, 3, 0, true, true, false, false, false},    // mark
        {1, 4, 0, false, true, true, false, false},    // space
        {7, 9, 0, false, false, false, false, false},  // out of range: 1 stop bit, no parity
        {0, 0, 1, false, false, false, true, false},  {0, 0, 2, false, false, false, false, true},
        {0, 0, 5, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.stopBits << " " << c.parity << " " << c.flow);
        CSerialPort port;
        ASSERT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, c.stopBits, c.parity, c.flow));
        LineProbe line;
        ASSERT_TRUE(ProbeLine(port.Handle(), &line));
        EXPECT_EQ(8, line.dataBits);
        EXPECT_EQ(c.parityOdd, line.parityOdd);
        EXPECT_EQ(c.stick, line.parityStick);
        EXPECT_EQ(c.twoStop, line.twoStopBits);
        EXPECT_EQ(c.xonXoff, line.xonXoff);
        EXPECT_EQ(c.rtsCts, line.rtsCts);
        EXPECT_TRUE(line.parityCheck);
    }
}

TEST_F(SerialPortTest, SimpleFormIsEightNoneOne) {
    TempDir dir;
    CControlIni ini;
    ini.SetPath(dir.file("config.ini"));
    ASSERT_TRUE(ini.WriteString("ports", "com7", Device()));
    CSerialPort port;
    IniPortDirectory directory(&ini);
    port.SetPortDirectory(&directory);
    ASSERT_EQ(kSerialOk, port.Open(7, 19200));
    EXPECT_EQ(Device(), port.DevicePath());
    LineProbe line;
    ASSERT_TRUE(ProbeLine(port.Handle(), &line));
    EXPECT_EQ(19200u, line.ospeed);
    EXPECT_EQ(8, line.dataBits);
    EXPECT_FALSE(line.parityOn);
    EXPECT_FALSE(line.twoStopBits);
    EXPECT_FALSE(line.xonXoff);
    EXPECT_FALSE(line.rtsCts);
}

TEST_F(SerialPortTest, RefusedSettingsCloseTheLineAgain) {
    CSerialPort port;
    // The pseudo-terminal driver only carries 8-bit characters.
    for (int bits : {5, 6, 7, 9, 0}) {
        EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), 9600, bits, 0, 0, 0)) << bits;
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(-1, port.Handle());
    }
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), 0, 8, 0, 0, 0));
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), -9600, 8, 0, 0, 0));
    EXPECT_FALSE(port.IsOpen());
    // Nothing of the failed attempts is left holding the device.
    EXPECT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
}

TEST_F(SerialPortTest, ZeroBaudTouchesNoDevice) {
    TempDir dir;
    CControlIni ini;
    ini.SetPath(dir.file("config.ini"));
    ASSERT_TRUE(ini.WriteString("ports", "com1", Device()));
    CSerialPort port;
    IniPortDirectory directory(&ini);
    port.SetPortDirectory(&directory);
    EXPECT_EQ(kSerialOpenFailed, port.Open(1, 0));
    EXPECT_EQ(kSerialOpenFailed, port.Open(1, 0, 8, 0, 0, 0));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.DevicePath().empty());
}

TEST_F(SerialPortTest, SecondOpenReturnsTenAndChangesNothing) {
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(Device(), 115200, 8, 0, 0, 0));
    const int handle = port.Handle();
    EXPECT_EQ(kSerialAlreadyOpen, port.OpenDevice(Device(), 9600, 7, 2, 2, 0));
    EXPECT_EQ(kSerialAlreadyOpen, port.Open(1, 9600));
    EXPECT_EQ(handle, port.Handle());
    EXPECT_EQ(117, port.TimeoutMs());
    LineProbe line;
    ASSERT_TRUE(ProbeLine(port.Handle(), &line));
    EXPECT_EQ(115200u, line.ospeed);
    EXPECT_EQ(8, line.dataBits);
}

TEST_F(SerialPortTest, MissingDeviceThenValidOne) {
    CSerialPort port;
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice("/dev/quillon-no-such-tty", 9600, 8, 0, 0, 0));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
}

TEST_F(SerialPortTest, OnlySerialDevicesAreOpened) {
    TempDir dir;
    const std::string regular = dir.file("not-a-port");
    { std::ofstream(regular) << "keep me\n"; }
    const FileState hostname = Snapshot("/etc/hostname");
    const FileState file = Snapshot(regular);

    CControlIni ini;
    ini.SetPath(dir.file("config.ini"));
    ASSERT_TRUE(ini.WriteString("ports", "com1", "/etc/hostname"));
    ASSERT_TRUE(ini.WriteString("ports", "com2", regular));
    ASSERT_TRUE(ini.WriteString("ports", "com3", dir.path()));
    ASSERT_TRUE(ini.WriteString("ports", "com4", dir.file("missing")));
    ASSERT_TRUE(ini.WriteString("ports", "com5", "/dev/null"));  // a device, not a terminal

    CSerialPort port;
    IniPortDirectory directory(&ini);
    port.SetPortDirectory(&directory);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(kSerialOpenFailed, port.Open(n, 9600, 8, 0, 0, 0)) << "com" << n;
        EXPECT_FALSE(port.IsOpen());
    }
    ExpectUnchanged(hostname, "/etc/hostname");
    ExpectUnchanged(file, regular);
    EXPECT_FALSE(std::ifstream(dir.file("missing")).good());
}

// Opening some devices acts by itself (a watchdog is armed by the open): a
// device that is not a terminal is told by its class and never opened.
TEST_F(SerialPortTest, DeviceThatIsNoTerminalIsNeverOpened) {
    TempDir dir;
    const std::string watchdog = dir.file("watchdog");
    if (mknod(watchdog.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node needs root";
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, watchdog.c_str(), IN_OPEN), 0);

    CSerialPort port;
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(watchdog, 9600, 8, 0, 0, 0));
    EXPECT_EQ(kOpenNotSerial, port.LastFailure().reason);
    char events[256];
    EXPECT_LT(read(watch, events, sizeof events), 0) << "the device was opened";
    close(watch);
    // A pseudo-terminal has no sysfs entry: its driver in /proc says tty.
    EXPECT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
}

TEST(CharDeviceClass, SysfsSubsystemElseTtyDriverRanges) {
    TempDir root;
    const std::string sys = root.file("sys"), proc = root.file("proc");
    for (const std::string& folder :
         {sys, sys + "/dev", sys + "/dev/char", sys + "/class", sys + "/class/tty",
          sys + "/class/watchdog", proc, proc + "/tty"})
        mkdir(folder.c_str(), 0755);
    for (const char* entry : {"4:64", "10:130"}) mkdir((sys + "/dev/char/" + entry).c_str(), 0755);
    ASSERT_EQ(0, symlink("../../../class/tty", (sys + "/dev/char/4:64/subsystem").c_str()));
    ASSERT_EQ(0, symlink("../../../class/watchdog", (sys + "/dev/char/10:130/subsystem").c_str()));
    std::ofstream(proc + "/tty/drivers")
        << "/dev/tty             /dev/tty        5       0 system:/dev/tty\n"
           "serial               /dev/ttyS       4 64-111 serial\n"
           "pty_slave            /dev/pts      136 0-1048575 pty:slave\n";
    const struct {
        unsigned major, minor;
        DeviceClass expected;
    } cases[] = {
        {4, 64, DeviceClass::Terminal},     {10, 130, DeviceClass::NotTerminal},
        {136, 7, DeviceClass::Terminal},    {5, 0, DeviceClass::Terminal},
        {4, 112, DeviceClass::NotTerminal}, {1, 3, DeviceClass::NotTerminal},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CharDeviceClass(makedev(c.major, c.minor), sys, proc))
            << c.major << ":" << c.minor;
    EXPECT_EQ(DeviceClass::Unknown, CharDeviceClass(makedev(1, 3), sys, root.file("none")));
}

TEST_F(SerialPortTest, SecondProcessIsLockedOut) {
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));

    auto openInChild = [this] {
        const pid_t child = fork();
        if (child == 0) {
            CSerialPort other;
            _exit(other.OpenDevice(Device(), 9600, 8, 0, 0, 0));
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(kSerialOpenFailed, openInChild());
    // A second record in this process is locked out just the same.
    CSerialPort second;
    EXPECT_EQ(kSerialOpenFailed, second.OpenDevice(Device(), 9600, 8, 0, 0, 0));

    port.Close();
    EXPECT_EQ(kSerialOk, openInChild());
}

}  // namespace
