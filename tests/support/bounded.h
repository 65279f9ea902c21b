#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs `check` in a child process that an alarm ends after `seconds`, for
// calls that might block for ever (a FIFO opened as a file). Returns the
// child's exit status, 0 when check returned true, or 128 + the signal that
// ended it (128 + SIGALRM: it blocked).
inline int RunBounded(const std::function<bool()>& check, unsigned seconds = 5) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(seconds);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
