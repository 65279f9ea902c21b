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

// quillon-cli run as a program: its output, its messages and its exit
// status (128 + signal when a signal ended it, -1 when it outlived the
// time allowed and was killed), and how many bytes it took on stdin.
struct CliRun {
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
    // Zero bytes offered on stdin, until the program stops reading; stdin is
    // /dev/null when 0.
    size_t stdinZeros = 0;
};

inline CliRun RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    CliRun run;
    int out[2], err[2], in[2];
    if (pipe(out) != 0 || pipe(err) != 0 || pipe2(in, O_CLOEXEC) != 0) return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(options.stdinZeros > 0 ? in[0] : devNull, STDIN_FILENO);
        for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    close(in[0]);
    // A program that stops reading must not stop the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    int input = options.stdinZeros > 0 ? in[1] : -1;
    if (input < 0) close(in[1]);
    const std::vector<char> zeros(65536, 0);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    bool signalled = false;
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {input, POLLOUT, 0}};
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
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.status = WTERMSIG(status) == SIGKILL ? -1 : 128 + WTERMSIG(status);
    return run;
}

// Runs argv; when stopAfterLines > 0, sends SIGINT once that many lines
// arrived on stdout.
inline CliRun RunProgram(const std::vector<std::string>& argv, int timeoutMs = 20000,
                         int stopAfterLines = 0) {
    RunOptions options;
    options.timeoutMs = timeoutMs;
    options.stopAfterLines = stopAfterLines;
    return RunProgram(argv, options);
}

// quillon-sim run as a program for the length of a test: started with the
// arguments given, stopped with SIGTERM at the end.
class SimProgram {
public:
    explicit SimProgram(const std::vector<std::string>& args) {
        int out[2];
        if (pipe(out) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // The first line is the device; config.ini is written before it.
        pollfd ready{out[0], POLLIN, 0};
        char chunk[256];
        while (m_device.find('\n') == std::string::npos && poll(&ready, 1, 5000) == 1) {
            const ssize_t n = read(out[0], chunk, sizeof chunk);
            if (n <= 0) break;
            m_device.append(chunk, static_cast<size_t>(n));
        }
        m_device = m_device.substr(0, m_device.find('\n'));
        close(out[0]);
    }
    ~SimProgram() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    const std::string& device() const { return m_device; }

private:
    pid_t m_pid = -1;
    std::string m_device;
};
