#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Programs run by tests (quillon-cli, quillon-sim, mbpoll, ldd), each for
// the length of a test.

// Exit status of a child: its code, 128 + signal when a signal ended it.
inline int ChildStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// This process's environment with the locale variables replaced by
// LANG=locale, so that only `locale` decides a child's language.
inline std::vector<std::string> EnvironmentWithLocale(const std::string& locale) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (name != "LANGUAGE" && name != "LANG" && name.rfind("LC_", 0) != 0)
            environment.push_back(text);
    }
    environment.push_back("LANG=" + locale);
    return environment;
}

// Starts argv with stdout (and stderr when err is given) on pipes whose
// reading ends come back in *out and *err; stdin is `in` (/dev/null when
// negative). The child has this process's environment, or `locale`'s
// (EnvironmentWithLocale) when that is not empty.
inline pid_t SpawnChild(const std::vector<std::string>& argv, int* out, int* err = nullptr,
                        int in = -1, const std::string& locale = std::string()) {
    // Built before the fork: the child only calls what is safe after one.
    std::vector<std::string> environment;
    std::vector<char*> envp;
    if (!locale.empty()) {
        environment = EnvironmentWithLocale(locale);
        for (std::string& entry : environment) envp.push_back(&entry[0]);
        envp.push_back(nullptr);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int outPipe[2], errPipe[2] = {-1, -1};
    if (pipe(outPipe) != 0 || (err != nullptr && pipe(errPipe) != 0)) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        if (err != nullptr) dup2(errPipe[1], STDERR_FILENO);
        dup2(in >= 0 ? in : open("/dev/null", O_RDONLY), STDIN_FILENO);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0) close(fd);
        if (envp.empty())
            execv(args[0], args.data());
        else
            execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    *out = outPipe[0];
    if (err != nullptr) {
        close(errPipe[1]);
        *err = errPipe[0];
    }
    return pid;
}

// A program that runs beside the test (a simulator): its output read line
// by line, stopped at the end of the test.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv) {
        m_pid = SpawnChild(argv, &m_out);
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Next line of output, or empty after timeoutMs.
    std::string ReadLine(int timeoutMs) {
        for (;;) {
            const size_t end = m_pending.find('\n');
            if (end != std::string::npos) {
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                return line;
            }
            pollfd in{m_out, POLLIN, 0};
            if (poll(&in, 1, timeoutMs) <= 0) return {};
            char chunk[256];
            const ssize_t n = read(m_out, chunk, sizeof chunk);
            if (n <= 0) return {};
            m_pending.append(chunk, static_cast<size_t>(n));
        }
    }
    // Exit status after the signal (0: none, wait for the end), -1 when it
    // did not end within 5 s.
    int StopWith(int signal) {
        if (signal != 0) kill(m_pid, signal);
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return ChildStatus(status);
            }
            usleep(10000);
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_pending;
};

// A program run to its end: its output, its messages, its exit status (-1
// when it outlived the time allowed and was killed), and how many bytes it
// took on stdin.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
    size_t fed = 0;
};

struct RunOptions {
    int timeoutMs = 20000;
    // SIGINT once that many lines arrived on stdout (0: never).
    int stopAfterLines = 0;
    // `signal` once `when` holds (looked at every 10 ms).
    std::function<bool()> when;
    int signal = SIGTERM;
    // Zero bytes offered on stdin until the program stops reading; stdin is
    // /dev/null when 0.
    size_t stdinZeros = 0;
    // The program's locale, LANG alone ("en_US.UTF-8", "zh_CN.UTF-8", "C");
    // empty: the test's own environment.
    std::string locale;
};

inline ProgramRun RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    ProgramRun run;
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) return run;
    int out = -1, err = -1;
    const pid_t pid =
        SpawnChild(argv, &out, &err, options.stdinZeros > 0 ? in[0] : -1, options.locale);
    close(in[0]);
    if (pid < 0) {
        close(in[1]);
        return run;
    }
    // A program that stops reading must not stop the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    const int input = options.stdinZeros > 0 ? in[1] : -1;
    if (input < 0) close(in[1]);
    const std::vector<char> zeros(65536, 0);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    bool signalled = false;
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {input, POLLOUT, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (options.when && left > 10) left = 10;
        if (poll(fds, 3, static_cast<int>(left)) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            sinks[i]->append(chunk, static_cast<size_t>(n));
        }
        if (fds[2].fd >= 0 && fds[2].revents != 0) {
            const size_t want = std::min(zeros.size(), options.stdinZeros - run.fed);
            const ssize_t n = write(fds[2].fd, zeros.data(), want);
            if (n > 0) run.fed += static_cast<size_t>(n);
            if ((n < 0 && errno != EAGAIN) || run.fed >= options.stdinZeros) {
                close(fds[2].fd);
                fds[2].fd = -1;
            }
        }
        if (!signalled && options.stopAfterLines > 0) {
            int lines = 0;
            for (char c : run.out) lines += c == '\n';
            if (lines >= options.stopAfterLines) {
                kill(pid, SIGINT);
                signalled = true;
            }
        }
        if (!signalled && options.when && options.when()) {
            kill(pid, options.signal);
            signalled = true;
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? -1 : ChildStatus(status);
    return run;
}

// Runs argv; when stopAfterLines > 0, sends SIGINT once that many lines
// arrived on stdout.
inline ProgramRun RunProgram(const std::vector<std::string>& argv, int timeoutMs = 20000,
                             int stopAfterLines = 0) {
    RunOptions options;
    options.timeoutMs = timeoutMs;
    options.stopAfterLines = stopAfterLines;
    return RunProgram(argv, options);
}
