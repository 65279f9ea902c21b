// Why an open failed, and what the user is told: real failures where this
// machine can produce them, the error-code seam for the rest.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "cserialport.h"
#include "modulesimulator.h"
#include "open_failure.h"
#include "tempdir.h"

namespace {

std::string Comm(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

std::string Reason(const CSerialPort& port) {
    return OpenFailureReasonText(port.LastFailure());
}

// A child process that holds the device open until it is destroyed.
class Holder {
public:
    explicit Holder(const std::string& device) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_stop) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            CSerialPort port;
            const char status = static_cast<char>(port.OpenDevice(device, 9600, 8, 0, 0, 0));
            (void)!write(ready[1], &status, 1);
            char stop = 0;
            (void)!read(m_stop[0], &stop, 1);
            _exit(0);
        }
        close(ready[1]);
        char status = -1;
        m_holding = read(ready[0], &status, 1) == 1 && status == kSerialOk;
        close(ready[0]);
    }
    ~Holder() {
        if (m_pid > 0) {
            (void)!write(m_stop[1], "x", 1);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_stop[0]);
        close(m_stop[1]);
    }
    bool holding() const { return m_holding; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_stop[2] = {-1, -1};
    bool m_holding = false;
};

class OpenFailure : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }
    const std::string& Device() const { return m_sim.DevicePath(); }

    ModuleSimulator m_sim;
};

TEST_F(OpenFailure, NoSuchDeviceAndNotASerialDevice) {
    CSerialPort port;
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice("/dev/quillon-no-such-tty", 9600, 8, 0, 0, 0));
    EXPECT_EQ(kOpenNoDevice, port.LastFailure().reason);
    EXPECT_EQ(ENOENT, port.LastFailure().error);
    EXPECT_EQ(
        Reason(port),
        "找不到设备 /dev/quillon-no-such-tty：适配器是否已拔出？请插好后重试，或选择其他串口号。");

    TempDir dir;
    std::ofstream(dir.file("file")) << "x";
    for (const std::string& path : {std::string("/dev/null"), dir.file("file"), dir.path()}) {
        EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(path, 9600, 8, 0, 0, 0));
        EXPECT_EQ(kOpenNotSerial, port.LastFailure().reason) << path;
        EXPECT_EQ(Reason(port),
                  path + " 不是串口设备：请在 config.ini 的 [ports] 中为该串口号填写串口设备。");
    }

    // Port number 0 names no device at all.
    EXPECT_EQ(kSerialOpenFailed, port.Open(0, 9600));
    EXPECT_EQ(Reason(port), "没有选择串口号。");
    // A success clears the reason; an open port answers 10 and says so.
    ASSERT_EQ(kSerialOk, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
    EXPECT_EQ(kOpenReasonNone, port.LastFailure().reason);
    EXPECT_EQ(kSerialAlreadyOpen, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
    EXPECT_EQ(Reason(port), "串口已经打开。");
}

TEST_F(OpenFailure, BusyNamesTheProgramAndPidThatHoldTheDevice) {
    Holder holder(Device());
    ASSERT_TRUE(holder.holding());

    CSerialPort port;
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), 9600, 8, 0, 0, 0));
    EXPECT_EQ(kOpenBusy, port.LastFailure().reason);
    EXPECT_EQ(Reason(port), Device() + " 被 " + Comm(holder.pid()) + " (PID " +
                                std::to_string(holder.pid()) + ") 占用：请先关闭该程序。");

    // The refused attempt left the holder's exclusive claim in place: an
    // unprivileged open is still turned away (root is let through and can
    // read the flag).
    const int fd = open(Device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        EXPECT_EQ(EBUSY, errno);
    } else {
        int exclusive = 0;
        EXPECT_EQ(0, ioctl(fd, TIOCGEXCL, &exclusive));
        EXPECT_EQ(1, exclusive);
        close(fd);
    }
}

TEST_F(OpenFailure, RefusedLineSettingsSayWhich) {
    CSerialPort port;
    // A pseudo-terminal carries only 8-bit characters.
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), 9600, 5, 0, 0, 0));
    EXPECT_EQ(kOpenLineRefused, port.LastFailure().reason);
    EXPECT_TRUE(port.LastFailure().sizeRefused);
    EXPECT_FALSE(port.LastFailure().rateRefused);
    EXPECT_EQ(Reason(port),
              Device() + " 不接受所选的线路设置（5 个数据位）：请选择适配器支持的设置。");
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Device(), 0, 8, 0, 0, 0));
    EXPECT_EQ(Reason(port), "没有选择波特率。");

    // A rate the adapter does not take cannot be produced on a pseudo-terminal.
    SerialOpenFailure rate;
    rate.reason = kOpenLineRefused;
    rate.path = "/dev/ttyUSB0";
    rate.baud = 614400;
    rate.dataBits = 8;
    rate.rateRefused = true;
    EXPECT_EQ(OpenFailureReasonText(rate),
              "/dev/ttyUSB0 不接受所选的线路设置（波特率 614400）：请选择适配器支持的设置。");
}

TEST_F(OpenFailure, PermissionDeniedNamesTheGroupAndTheCommand) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
    // Given to dialout as udev gives serial adapters, mode 0660: another
    // user outside that group may not open it.
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no dialout group";
    ASSERT_EQ(0, chown(Device().c_str(), 0, dialout->gr_gid));
    ASSERT_EQ(0, chmod(Device().c_str(), 0660));
    int result[2];
    ASSERT_EQ(0, pipe(result));
    const pid_t child = fork();
    if (child == 0) {
        int reply[2] = {-1, 0};
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
            CSerialPort port;
            port.OpenDevice(Device(), 9600, 8, 0, 0, 0);
            reply[0] = port.LastFailure().reason;
            reply[1] = port.LastFailure().error;
        }
        (void)!write(result[1], reply, sizeof reply);
        _exit(0);
    }
    int reply[2] = {-1, 0};
    ASSERT_EQ(static_cast<ssize_t>(sizeof reply), read(result[0], reply, sizeof reply));
    waitpid(child, nullptr, 0);
    close(result[0]);
    close(result[1]);
    EXPECT_EQ(kOpenPermissionDenied, reply[0]);
    EXPECT_EQ(EACCES, reply[1]);

    SerialOpenFailure failure;
    failure.reason = static_cast<SerialOpenReason>(reply[0]);
    failure.path = Device();
    EXPECT_EQ(OpenFailureReasonText(failure), "没有权限打开 " + Device() +
                                                  "：它属于 dialout 组。请执行 sudo usermod -aG "
                                                  "dialout $USER，然后注销并重新登录。");
}

TEST(OpenReason, ErrorCodesAndTheirTexts) {
    const std::pair<int, SerialOpenReason> cases[] = {
        {ENOENT, kOpenNoDevice},
        {ENODEV, kOpenNoDevice},
        {ENXIO, kOpenNoDevice},
        {EIO, kOpenNoDevice},
        {EACCES, kOpenPermissionDenied},
        {EPERM, kOpenPermissionDenied},
        {EBUSY, kOpenBusy},
        {EAGAIN, kOpenBusy},
        {ENOTTY, kOpenNotSerial},
        {EINVAL, kOpenLineRefused},
        {EMFILE, kOpenOtherError},
    };
    for (const auto& [error, reason] : cases) EXPECT_EQ(reason, OpenReasonForError(error)) << error;

    // Permission on a device only root's group may use: no group to join.
    TempDir dir;
    const std::string device = dir.file("ttyUSB0");
    std::ofstream(device) << "";
    if (chown(device.c_str(), static_cast<uid_t>(-1), 0) == 0) {
        SerialOpenFailure denied;
        denied.reason = kOpenPermissionDenied;
        denied.path = device;
        EXPECT_EQ(OpenFailureReasonText(denied),
                  "没有权限打开 " + device +
                      "：只有 root 能访问它。请让管理员用 udev 规则把它交给 dialout 组，再执行 "
                      "sudo usermod -aG dialout $USER，然后注销并重新登录。");
    }

    // Busy: the holder from /proc/locks, as a fake /proc shows it.
    struct stat null {};
    ASSERT_EQ(0, stat("/dev/null", &null));
    const std::string proc = dir.file("proc");
    mkdir(proc.c_str(), 0755);
    mkdir((proc + "/1234").c_str(), 0755);
    std::ofstream(proc + "/1234/comm") << "minicom\n";
    char line[128];
    std::snprintf(line, sizeof line, "1: FLOCK  ADVISORY  WRITE 1234 %02x:%02x:%llu 0 EOF\n",
                  major(null.st_dev), minor(null.st_dev),
                  static_cast<unsigned long long>(null.st_ino));
    std::ofstream(proc + "/locks") << "1: -> FLOCK  ADVISORY  WRITE 99 00:00:1 0 EOF\n" << line;
    SerialOpenFailure busy;
    busy.reason = kOpenBusy;
    busy.path = "/dev/null";
    EXPECT_EQ(OpenFailureReasonText(busy, proc),
              "/dev/null 被 minicom (PID 1234) 占用：请先关闭该程序。");
    std::ofstream(proc + "/locks", std::ios::trunc) << "";
    EXPECT_EQ(OpenFailureReasonText(busy, proc),
              "/dev/null 已被其他程序占用：请先关闭占用它的程序。");

    SerialOpenFailure other;
    other.reason = kOpenOtherError;
    other.path = "/dev/ttyUSB0";
    other.error = EMFILE;
    EXPECT_EQ(OpenFailureReasonText(other), std::string("打开 /dev/ttyUSB0 时出错：") +
                                                std::strerror(EMFILE) + "（错误码 " +
                                                std::to_string(EMFILE) + "）。");
}

}  // namespace
