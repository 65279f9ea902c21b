#pragma once

#include <cstddef>
#include <string>

// Files the programs read or append to are regular files. A FIFO would block
// the program until some other process writes to it, and a device (the
// module's own serial line, a terminal) would take or give bytes that are no
// file at all, so both are refused by what they are, before anything is read
// or written.

enum class FileKind {
    Missing,  // nothing there (or it cannot be looked at)
    Regular,
    Directory,
    Fifo,
    CharDevice,
    BlockDevice,
    Socket,
    Other,
};

// What path names, symbolic links followed.
FileKind PathKind(const std::string& path);

// Why a file could not be read or written, for a message after "PATH: ":
// "it is a named pipe (FIFO), not a regular file" when kind says so, in
// CurrentTextLanguage(); strerror(error) otherwise, as the C library words it.
std::string FileErrorText(int error, FileKind kind);

// Reads the regular file at path whole. Nothing that is not a regular file
// is ever opened for reading; the open itself cannot block. Returns 0, or an
// errno value: the open or read failure, EINVAL (EISDIR for a folder) with
// *kind telling what the path is, or EFBIG when it holds more than maxBytes,
// found after reading at most maxBytes + 1 bytes. kind may be null.
int ReadRegularFile(const std::string& path, std::string* contents,
                    size_t maxBytes = static_cast<size_t>(-1), FileKind* kind = nullptr);

// Reads fd (a pipe, a terminal, a file) to its end, but never more than
// maxBytes + 1 bytes: EFBIG when there is more, so that endless input cannot
// fill memory. 0 or an errno value.
int ReadToEnd(int fd, std::string* contents, size_t maxBytes);

// Opens the regular file at path for appending, creating it (mode 0666 less
// the umask) when it is missing. A symbolic link is followed only to a
// regular file or to nothing. Returns the descriptor (close-on-exec), or -1
// with *error set as for ReadRegularFile (and *kind when the path names
// something else). kind may be null.
int OpenRegularFileForAppend(const std::string& path, int* error, FileKind* kind = nullptr);
