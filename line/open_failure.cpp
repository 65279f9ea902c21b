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

#include "core_texts.h"
#include "line_address.h"
#include "errno_text.h"

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
    if (group.empty() || group == "root") return FillCoreText(kTextOpenRootOnly, {{"path", path}});
    const CoreText text = GroupPendingLogin(info.st_gid) ? kTextOpenLoginPending : kTextOpenGroup;
    return FillCoreText(text, {{"path", path}, {"group", group}});
}

std::string BusyText(const std::string& path, const std::string& procRoot) {
    std::string program;
    int pid = -1;
    if (FindDeviceHolder(path, procRoot, &program, &pid)) {
        if (program.empty()) program = CoreString(kTextOpenOtherProgram);
        return FillCoreText(kTextOpenHeldBy,
                            {{"path", path}, {"program", program}, {"pid", std::to_string(pid)}});
    }
    return FillCoreText(kTextOpenHeld, {{"path", path}});
}

// Network reasons: one text each, with {url}, {host}, {port}, {ms},
// {setting} and {detail} filled in from the failure.
const struct {
    SerialOpenReason reason;
    CoreText text;
} kNetworkTexts[] = {
    {kOpenBadAddress, kTextOpenBadAddress},
    {kOpenHostUnknown, kTextOpenHostUnknown},
    {kOpenConnectionRefused, kTextOpenConnectionRefused},
    {kOpenHostUnreachable, kTextOpenHostUnreachable},
    {kOpenConnectTimeout, kTextOpenConnectTimeout},
    {kOpenSettingRefused, kTextOpenSettingRefused},
    {kOpenSettingUnconfirmed, kTextOpenSettingUnconfirmed},
    {kOpenServerClosed, kTextOpenServerClosed},
};

std::string SettingValueText(LineSettingKind kind, int64_t value) {
    const std::string number = std::to_string(value);
    switch (kind) {
        case kLineSettingBaud:
            return FillCoreText(kTextSettingBaud, {{"n", number}});
        case kLineSettingDataBits:
            return FillCoreText(kTextSettingDataBits, {{"n", number}});
        case kLineSettingParity: {
            static const CoreText kNames[] = {kTextParityNone, kTextParityOdd, kTextParityEven,
                                              kTextParityMark, kTextParitySpace};
            return value >= 1 && value <= 5 ? CoreString(kNames[value - 1])
                                            : FillCoreText(kTextSettingParity, {{"n", number}});
        }
        case kLineSettingStopBits:
            return value == 3 ? CoreString(kTextSettingStopBitsHalf)
                              : FillCoreText(kTextSettingStopBits, {{"n", number}});
        default:
            return std::string();
    }
}

std::string SettingText(const SerialOpenFailure& failure) {
    if (failure.setting == kLineSettingOption) {
        if (failure.reason == kOpenSettingRefused) return CoreString(kTextOpenComPortControl);
        return CoreString(failure.serverSilent ? kTextOpenNegotiationSilent : kTextOpenNegotiation);
    }
    std::string text = SettingValueText(failure.setting, failure.asked);
    if (failure.answered >= 0)
        text += FillCoreText(kTextOpenServerAnswered,
                             {{"value", SettingValueText(failure.setting, failure.answered)}});
    return text;
}

std::string NetworkText(const SerialOpenFailure& failure, CoreText pattern) {
    LineAddress address;
    ParseLineAddress(failure.path, &address);
    std::string detail = failure.detail;
    if (failure.reason == kOpenServerClosed && !detail.empty())
        detail = FillCoreText(kTextOpenServerSaid, {{"detail", detail}});
    return FillCoreText(pattern, {{"url", failure.path},
                                  {"host", address.host.empty() ? failure.path : address.host},
                                  {"port", std::to_string(address.port)},
                                  {"ms", std::to_string(failure.timeoutMs)},
                                  {"setting", SettingText(failure)},
                                  {"detail", detail}});
}

std::string LineText(const SerialOpenFailure& failure) {
    if (failure.baud <= 0) return CoreString(kTextOpenNoBaud);
    std::string detail;
    if (failure.sizeRefused)
        detail = FillCoreText(kTextSettingDataBits, {{"n", std::to_string(failure.dataBits)}});
    if (failure.rateRefused) {
        if (!detail.empty()) detail += CoreString(kTextOpenRefusedJoin);
        detail += FillCoreText(kTextSettingBaud, {{"n", std::to_string(failure.baud)}});
    }
    if (!detail.empty()) detail = FillCoreText(kTextOpenRefusedDetail, {{"detail", detail}});
    return FillCoreText(kTextOpenLineRefused, {{"path", failure.path}, {"detail", detail}});
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
            return CoreString(kTextOpenAlreadyOpen);
        case kOpenNoPort:
            return CoreString(kTextOpenNoPort);
        case kOpenNoDevice:
            return FillCoreText(kTextOpenNoDevice, {{"path", path}});
        case kOpenPermissionDenied:
            return PermissionText(path);
        case kOpenBusy:
            return BusyText(path, procRoot);
        case kOpenNotSerial:
            return FillCoreText(kTextOpenNotSerial, {{"path", path}});
        case kOpenLineRefused:
            return LineText(failure);
        case kOpenOtherError:
            break;
        default:
            for (const auto& entry : kNetworkTexts)
                if (entry.reason == failure.reason) return NetworkText(failure, entry.text);
            break;
    }
    return FillCoreText(kTextOpenOtherError, {{"path", path},
                                              {"error", SystemErrorText(failure.error)},
                                              {"code", std::to_string(failure.error)}});
}
