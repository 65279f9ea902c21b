#pragma once

#include <cstddef>
#include <string>

// Whole-file reading and atomic replacement, shared by config.ini and the
// configuration documents.

// Reads a regular file whole. Returns 0, or an errno value: the open or read
// failure, EISDIR/EINVAL for something that is not a regular file, EFBIG when
// it holds more than maxBytes (so a wrong path to a huge file cannot fill
// memory).
int ReadWholeFile(const std::string& path, std::string* contents,
                  size_t maxBytes = static_cast<size_t>(-1));

// Replaces the file at path with contents: a temporary file created
// exclusively in the same folder is written, flushed to disk and renamed over
// the target, then the folder entry is flushed too. A symbolic link is kept
// and its target replaced. An existing target keeps its permission bits; a
// read-only or non-regular target is refused (EACCES, EINVAL). Returns 0 or
// an errno value; on failure the previous file is whole and no temporary
// file is left behind.
int ReplaceFileAtomically(const std::string& path, const std::string& contents);
