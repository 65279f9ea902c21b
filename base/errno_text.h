#pragma once

#include <string>

// The C library's words for an errno value, as a message shows them after
// "PATH: ". In Chinese the common ones a technician meets (permissions, a
// missing folder, a full disk, a device that went away) have their Chinese
// words; the rest, and every English text, are strerror's.
std::string SystemErrorText(int error);

// The same for a host name lookup's failure code (getaddrinfo's EAI_*),
// gai_strerror's words otherwise.
std::string HostLookupErrorText(int code);
