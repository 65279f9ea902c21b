#pragma once

#include <cstdint>

// Time and waiting, shared by every kind of line. All deadlines are absolute
// CLOCK_MONOTONIC times in nanoseconds.

int64_t NowNs();

// Waits for `events` on fd until the deadline. Returns the revents seen, 0
// on time-out, POLLERR when poll itself failed.
short WaitFor(int fd, short events, int64_t deadlineNs);

// The deadline `ms` milliseconds from now.
inline int64_t DeadlineAfterMs(int ms) {
    return NowNs() + static_cast<int64_t>(ms) * 1000000LL;
}
