#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

// The file that a write must replace: the target of a symbolic link, so that
// the link itself survives the rename.
std::string ResolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
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

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
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

int ReadWholeFile(const std::string& path, std::string* contents, size_t maxBytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat info;
    int error = fstat(fd, &info) != 0 ? errno : 0;
    if (error == 0 && !S_ISREG(info.st_mode)) error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    if (error != 0) {
        close(fd);
        return error;
    }
    contents->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (contents->size() + static_cast<size_t>(n) > maxBytes) {
            error = EFBIG;
            break;
        }
        contents->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return error;
}

int ReplaceFileAtomically(const std::string& path, const std::string& contents) {
    const std::string target = ResolveTarget(path);
    struct stat info;
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) return EINVAL;
    if (exists && (info.st_mode & 0222) == 0) return EACCES;

    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    const mode_t mode = exists ? (info.st_mode & 07777) : 0644;
    int error = fchmod(fd, mode) == 0 || !exists ? 0 : errno;
    if (error == 0) error = WriteAll(fd, contents);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(name.data(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(name.data());
        return error;
    }
    SyncFolder(target);
    return 0;
}
