#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

namespace {

// Longer chains of symbolic links are refused, as the kernel refuses them.
constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a write must replace: the end of a chain of symbolic links,
// so that the links themselves survive the rename. A link to nothing names
// the file to create.
int ResolveTarget(const std::string& path, std::string* target) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = current;
            return 0;
        }
        char link[PATH_MAX];
        const ssize_t n = readlink(current.c_str(), link, sizeof link);
        if (n < 0) return errno;
        if (n == 0 || static_cast<size_t>(n) >= sizeof link) return ENAMETOOLONG;
        const std::string next(link, static_cast<size_t>(n));
        current = next[0] == '/' ? next : FolderOf(current) + "/" + next;
    }
    return ELOOP;
}

// A fresh file beside target, created with `mode` (the kernel takes the
// umask off it). Returns the descriptor or -1 with errno set.
int CreateTemporary(const std::string& target, mode_t mode, std::string* name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%08lx%04x", static_cast<long>(getpid()),
                      static_cast<unsigned long>(now.tv_nsec), (++counter) & 0xFFFFu);
        *name = target + suffix;
        const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Makes the rename itself durable. The new contents are already on disk, so a
// folder that cannot be flushed is no reason to report the write as failed.
void SyncFolder(const std::string& path) {
    const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)fsync(fd);
    close(fd);
}

}  // namespace

int ReplaceFileAtomically(const std::string& path, const std::string& contents) {
    std::string target;
    int error = ResolveTarget(path, &target);
    if (error != 0) return error;
    struct stat info;
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return EISDIR;
    if (exists && !S_ISREG(info.st_mode)) return EINVAL;
    if (exists && (info.st_mode & 0222) == 0) return EACCES;

    std::string name;
    const int fd = CreateTemporary(target, exists ? 0600 : 0666, &name);
    if (fd < 0) return errno;
    error = exists && fchmod(fd, info.st_mode & 07777) != 0 ? errno : 0;
    if (error == 0) error = WriteAll(fd, contents);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(name.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(name.c_str());
        return error;
    }
    SyncFolder(target);
    return 0;
}
