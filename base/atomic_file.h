#pragma once

#include <string>

// Atomic replacement of a whole file, shared by config.ini and the
// configuration documents.

// Replaces the file at path with contents: a temporary file created
// exclusively in the same folder is written, flushed to disk and renamed over
// the target, then the folder entry is flushed too. A symbolic link is kept
// and the file at the end of its chain replaced; a link to nothing gets that
// file created. A new file has mode 0666 less the umask, as any program's new
// file; an existing one keeps its permission bits. A read-only target or one
// that is not a regular file is refused (EACCES, EINVAL/EISDIR). Returns 0 or
// an errno value; on failure the previous file is whole and no temporary file
// is left behind.
int ReplaceFileAtomically(const std::string& path, const std::string& contents);
