#include "line_io.h"

#include <poll.h>

#include <cerrno>
#include <ctime>

int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

short WaitFor(int fd, short events, int64_t deadlineNs) {
    for (;;) {
        const int64_t left = deadlineNs - NowNs();
        if (left <= 0) return 0;
        timespec wait{};
        wait.tv_sec = static_cast<time_t>(left / 1000000000LL);
        wait.tv_nsec = static_cast<long>(left % 1000000000LL);
        pollfd entry{fd, events, 0};
        const int rc = ppoll(&entry, 1, &wait, nullptr);
        if (rc > 0) return entry.revents;
        if (rc == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}
