#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// quillon-cli run as a program: its output, its messages and its exit
// status (128 + signal when a signal ended it, -1 when it outlived the
// time allowed and was killed).
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs argv; when stopAfterLines > 0, sends SIGINT once that many lines
// arrived on stdout.
inline CliRun RunProgram(const std::vector<std::string>& argv, int timeoutMs = 20000,
                         int stopAfterLines = 0) {
    CliRun run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool stopped = false;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || poll(fds, 2, static_cast<int>(left)) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
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
        if (stopAfterLines > 0 && !stopped) {
            int lines = 0;
            for (char c : run.out) lines += c == '\n';
            if (lines >= stopAfterLines) {
                kill(pid, SIGINT);
                stopped = true;
            }
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
