#include "regular_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core_texts.h"
#include "errno_text.h"

namespace {

FileKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISCHR(mode)) return FileKind::CharDevice;
    if (S_ISBLK(mode)) return FileKind::BlockDevice;
    if (S_ISSOCK(mode)) return FileKind::Socket;
    return FileKind::Other;
}

int RefusalError(FileKind kind) {
    return kind == FileKind::Directory ? EISDIR : EINVAL;
}

// After the open: the path may have been replaced since it was looked at.
bool IsRegularDescriptor(int fd, FileKind* kind) {
    struct stat info;
    if (fstat(fd, &info) != 0) return false;
    *kind = KindOfMode(info.st_mode);
    return *kind == FileKind::Regular;
}

}  // namespace

FileKind PathKind(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return FileKind::Missing;
    return KindOfMode(info.st_mode);
}

std::string FileErrorText(int error, FileKind kind) {
    switch (kind) {
        case FileKind::Directory:
            return CoreString(kTextFileIsFolder);
        case FileKind::Fifo:
            return CoreString(kTextFileIsFifo);
        case FileKind::CharDevice:
            return CoreString(kTextFileIsCharDevice);
        case FileKind::BlockDevice:
            return CoreString(kTextFileIsBlockDevice);
        case FileKind::Socket:
            return CoreString(kTextFileIsSocket);
        case FileKind::Other:
            return CoreString(kTextFileIsOther);
        case FileKind::Missing:
        case FileKind::Regular:
            break;
    }
    return SystemErrorText(error);
}

int ReadToEnd(int fd, std::string* contents, size_t maxBytes) {
    contents->clear();
    const size_t limit = maxBytes == SIZE_MAX ? SIZE_MAX : maxBytes + 1;
    char buffer[65536];
    while (contents->size() < limit) {
        size_t want = limit - contents->size();
        if (want > sizeof buffer) want = sizeof buffer;
        const ssize_t n = read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Standard input may have been left non-blocking by whoever
            // shares it.
            pollfd wait{fd, POLLIN, 0};
            (void)poll(&wait, 1, -1);
            continue;
        }
        if (n < 0) {
            const int error = errno;
            contents->clear();
            return error;
        }
        if (n == 0) return 0;
        contents->append(buffer, static_cast<size_t>(n));
    }
    contents->clear();
    return EFBIG;
}

int ReadRegularFile(const std::string& path, std::string* contents, size_t maxBytes,
                    FileKind* kind) {
    FileKind found = FileKind::Missing;
    if (kind == nullptr) kind = &found;
    *kind = PathKind(path);
    if (*kind != FileKind::Regular && *kind != FileKind::Missing) return RefusalError(*kind);
    // Non-blocking, in case the path became a FIFO since it was looked at.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    if (!IsRegularDescriptor(fd, kind)) {
        error = RefusalError(*kind);
    } else {
        error = ReadToEnd(fd, contents, maxBytes);
    }
    close(fd);
    return error;
}

int OpenRegularFileForAppend(const std::string& path, int* error, FileKind* kind) {
    FileKind found = FileKind::Missing;
    if (kind == nullptr) kind = &found;
    *kind = PathKind(path);
    if (*kind != FileKind::Regular && *kind != FileKind::Missing) {
        *error = RefusalError(*kind);
        return -1;
    }
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (!IsRegularDescriptor(fd, kind)) {
        close(fd);
        *error = RefusalError(*kind);
        return -1;
    }
    *error = 0;
    return fd;
}
