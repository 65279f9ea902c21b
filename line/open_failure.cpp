#include "open_failure.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "line_address.h"

namespace {

std::string ProgramName(const std::string& procRoot, int pid) {
    std::ifstream in(procRoot + "/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// /proc/locks names a locked file by the major:minor (hexadecimal) of the
// file system holding it and its inode: "1: FLOCK  ADVISORY  WRITE 1234
// 00:1b:6 0 EOF". Lines with "->" are waiters, not holders.
int FlockHolder(const struct stat& device, const std::string& procRoot) {
    std::ifstream in(procRoot + "/locks");
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(device.st_dev),
                  minor(device.st_dev), static_cast<unsigned long long>(device.st_ino));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, pid, file;
        if (!(fields >> id >> kind)) continue;
        if (kind == "->") continue;
        if (!(fields >> mode >> access >> pid >> file)) continue;
        if (file != wanted) continue;
        const int holder = std::atoi(pid.c_str());
        if (holder > 0) return holder;
    }
    return -1;
}

bool IsAllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// A process with a descriptor on the device. Only our own user's processes
// can be looked at unless we are root; that is where a forgotten terminal
// program usually is.
int DescriptorHolder(const struct stat& device, const std::string& procRoot) {
    DIR* proc = opendir(procRoot.c_str());
    if (proc == nullptr) return -1;
    int holder = -1;
    while (holder < 0) {
        const dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        const std::string pid = entry->d_name;
        if (!IsAllDigits(pid)) continue;
        const std::string fdDir = procRoot + "/" + pid + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (fds == nullptr) continue;
        while (const dirent* fd = readdir(fds)) {
            if (!IsAllDigits(fd->d_name)) continue;
            struct stat target {};
            if (stat((fdDir + "/" + fd->d_name).c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
                target.st_rdev == device.st_rdev) {
                holder = std::atoi(pid.c_str());
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return holder;
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::string();
    return found->gr_name;
}

// True when the user is listed in the group but this login does not carry
// it yet (usermod was run, the session is older).
bool GroupPendingLogin(gid_t gid) {
    const int count = getgroups(0, nullptr);
    if (count < 0) return false;
    std::vector<gid_t> current(static_cast<size_t>(count) + 1);
    const int got = getgroups(count, current.data());
    for (int i = 0; i < got; ++i)
        if (current[static_cast<size_t>(i)] == gid) return false;
    if (getegid() == gid) return false;

    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* user = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &user) != 0 || user == nullptr)
        return false;
    int listed = 64;
    std::vector<gid_t> groups(static_cast<size_t>(listed));
    if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &listed) < 0) {
        groups.resize(static_cast<size_t>(listed));
        if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &listed) < 0) return false;
    }
    for (int i = 0; i < listed; ++i)
        if (groups[static_cast<size_t>(i)] == gid) return true;
    return false;
}

std::string PermissionText(const std::string& path) {
    struct stat info {};
    const std::string group = stat(path.c_str(), &info) == 0 ? GroupName(info.st_gid) : "";
    if (group.empty() || group == "root") {
        return "没有权限打开 " + path +
               "：只有 root 能访问它。请让管理员用 udev 规则把它交给 dialout 组，再执行 "
               "sudo usermod -aG dialout $USER，然后注销并重新登录。";
    }
    if (GroupPendingLogin(info.st_gid)) {
        return "没有权限打开 " + path + "：当前用户已在 " + group +
               " 组中，但本次登录尚未生效，请注销并重新登录。";
    }
    return "没有权限打开 " + path + "：它属于 " + group + " 组。请执行 sudo usermod -aG " + group +
           " $USER，然后注销并重新登录。";
}

std::string BusyText(const std::string& path, const std::string& procRoot) {
    std::string program;
    int pid = -1;
    if (FindDeviceHolder(path, procRoot, &program, &pid)) {
        return path + " 被 " + (program.empty() ? std::string("其他程序") : program) + " (PID " +
               std::to_string(pid) + ") 占用：请先关闭该程序。";
    }
    return path + " 已被其他程序占用：请先关闭占用它的程序。";
}

// Network reasons: one text each, with {url}, {host}, {port}, {ms},
// {setting} and {detail} filled in from the failure.
const struct {
    SerialOpenReason reason;
    const char* text;
} kNetworkTexts[] = {
    {kOpenBadAddress,
     "网络端口地址 {url} 无效：应为 socket://主机:端口、rfc2217://主机:端口 或 "
     "modbus-tcp://主机[:端口]。"},
    {kOpenHostUnknown, "无法解析主机名 {host}（{detail}）：请检查名称，或改用 IP 地址。"},
    {kOpenConnectionRefused,
     "{host} 拒绝了端口 {port} 的连接：该端口上没有服务在监听，请检查端口号和服务器的设置。"},
    {kOpenHostUnreachable, "无法到达主机 {host}：请检查网络连接和地址。"},
    {kOpenConnectTimeout,
     "连接 {host} 的端口 {port} 超时（{ms} ms）：主机没有应答，或防火墙挡住了连接。"},
    {kOpenSettingRefused, "服务器 {url} 不接受{setting}：请选择它的串口支持的设置。"},
    {kOpenSettingUnconfirmed,
     "服务器 {url} 在 {ms} ms 内没有确认{setting}：它可能不支持 RFC 2217，"
     "请检查服务器的设置（例如 ser2net 的 telnet(rfc2217)），或改用 socket://。"},
    {kOpenServerClosed,
     "服务器 {url} 关闭了连接{detail}：端口可能正被其他客户端使用，请稍后重试。"},
};

std::string SettingValueText(LineSettingKind kind, int64_t value) {
    switch (kind) {
        case kLineSettingBaud:
            return "波特率 " + std::to_string(value);
        case kLineSettingDataBits:
            return std::to_string(value) + " 个数据位";
        case kLineSettingParity: {
            static const char* const kNames[] = {"无校验", "奇校验", "偶校验", "标记校验",
                                                 "空格校验"};
            return value >= 1 && value <= 5 ? kNames[value - 1]
                                            : "校验方式 " + std::to_string(value);
        }
        case kLineSettingStopBits:
            return value == 3 ? "1.5 个停止位" : std::to_string(value) + " 个停止位";
        default:
            return std::string();
    }
}

std::string SettingText(const SerialOpenFailure& failure) {
    if (failure.setting == kLineSettingOption) {
        if (failure.reason == kOpenSettingRefused) return " RFC 2217 串口控制";
        return failure.serverSilent ? " RFC 2217 协商（服务器什么也没有发送）" : " RFC 2217 协商";
    }
    std::string text = SettingValueText(failure.setting, failure.asked);
    if (failure.answered >= 0)
        text += "（服务器回复 " + SettingValueText(failure.setting, failure.answered) + "）";
    return text;
}

void Replace(std::string* text, const std::string& key, const std::string& value) {
    for (size_t at = text->find(key); at != std::string::npos; at = text->find(key, at)) {
        text->replace(at, key.size(), value);
        at += value.size();
    }
}

std::string NetworkText(const SerialOpenFailure& failure, const char* pattern) {
    LineAddress address;
    ParseLineAddress(failure.path, &address);
    std::string text = pattern;
    Replace(&text, "{url}", failure.path);
    Replace(&text, "{host}", address.host.empty() ? failure.path : address.host);
    Replace(&text, "{port}", std::to_string(address.port));
    Replace(&text, "{ms}", std::to_string(failure.timeoutMs));
    Replace(&text, "{setting}", SettingText(failure));
    std::string detail = failure.detail;
    if (failure.reason == kOpenServerClosed && !detail.empty()) detail = "（“" + detail + "”）";
    Replace(&text, "{detail}", detail);
    return text;
}

std::string LineText(const SerialOpenFailure& failure) {
    if (failure.baud <= 0) return "没有选择波特率。";
    std::string detail;
    if (failure.sizeRefused) detail = std::to_string(failure.dataBits) + " 个数据位";
    if (failure.rateRefused) {
        if (!detail.empty()) detail += "、";
        detail += "波特率 " + std::to_string(failure.baud);
    }
    if (!detail.empty()) detail = "（" + detail + "）";
    return failure.path + " 不接受所选的线路设置" + detail + "：请选择适配器支持的设置。";
}

}  // namespace

SerialOpenReason OpenReasonForError(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:
        case ENOTDIR:
            return kOpenNoDevice;
        case EACCES:
        case EPERM:
            return kOpenPermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return kOpenBusy;
        case ENOTTY:
        case EISDIR:
            return kOpenNotSerial;
        case EINVAL:
            return kOpenLineRefused;
        default:
            return kOpenOtherError;
    }
}

SerialOpenReason NetworkReasonForError(int error) {
    switch (error) {
        case ECONNREFUSED:
            return kOpenConnectionRefused;
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
        case ENETDOWN:
        case EADDRNOTAVAIL:
            return kOpenHostUnreachable;
        case ETIMEDOUT:
            return kOpenConnectTimeout;
        default:
            return kOpenOtherError;
    }
}

bool FindDeviceHolder(const std::string& path, const std::string& procRoot, std::string* program,
                      int* pid) {
    struct stat device {};
    if (stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return false;
    int holder = FlockHolder(device, procRoot);
    if (holder <= 0) holder = DescriptorHolder(device, procRoot);
    if (holder <= 0) return false;
    *pid = holder;
    *program = ProgramName(procRoot, holder);
    return true;
}

std::string OpenFailureReasonText(const SerialOpenFailure& failure, const std::string& procRoot) {
    const std::string& path = failure.path;
    switch (failure.reason) {
        case kOpenReasonNone:
            return std::string();
        case kOpenAlreadyOpen:
            return "串口已经打开。";
        case kOpenNoPort:
            return "没有选择串口号。";
        case kOpenNoDevice:
            return "找不到设备 " + path + "：适配器是否已拔出？请插好后重试，或选择其他串口号。";
        case kOpenPermissionDenied:
            return PermissionText(path);
        case kOpenBusy:
            return BusyText(path, procRoot);
        case kOpenNotSerial:
            return path + " 不是串口设备：请在 config.ini 的 [ports] 中为该串口号填写串口设备。";
        case kOpenLineRefused:
            return LineText(failure);
        case kOpenOtherError:
            break;
        default:
            for (const auto& entry : kNetworkTexts)
                if (entry.reason == failure.reason) return NetworkText(failure, entry.text);
            break;
    }
    return "打开 " + path + " 时出错：" + std::strerror(failure.error) + "（错误码 " +
           std::to_string(failure.error) + "）。";
}
