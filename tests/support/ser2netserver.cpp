#include "ser2netserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr int kStartWaitMs = 5000;
// /proc/net/tcp state of a listening socket.
constexpr const char* kListenState = "0A";

}  // namespace

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool LoopbackPortListens(int port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    std::getline(table, line);  // headings
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        if (fields >> slot >> local >> remote >> state && local == wanted && state == kListenState)
            return true;
    }
    return false;
}

std::string Ser2netServer::Program() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"})
        if (access(path, X_OK) == 0) return path;
    return std::string();
}

Ser2netServer::~Ser2netServer() {
    Stop();
}

bool Ser2netServer::Start(const std::string& device, const std::string& line) {
    const std::string program = Program();
    if (program.empty()) return false;
    m_rawPort = FreeLoopbackPort();
    m_telnetPort = FreeLoopbackPort();
    while (m_telnetPort == m_rawPort) m_telnetPort = FreeLoopbackPort();
    const std::string config = m_dir.file("ser2net.yaml");
    {
        std::ofstream out(config);
        out << "connection: &raw\n"
            << "  accepter: tcp,127.0.0.1," << m_rawPort << "\n"
            << "  connector: serialdev," << device << "," << line << ",local\n"
            << "connection: &rfc2217\n"
            << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_telnetPort << "\n"
            << "  connector: serialdev," << device << "," << line << ",local\n";
    }
    const std::string log = m_dir.file("ser2net.log");
    m_pid = fork();
    if (m_pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        // -n: stay in the foreground, so that the test can stop it by its id.
        execl(program.c_str(), program.c_str(), "-n", "-c", config.c_str(), "-P",
              m_dir.file("ser2net.pid").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (m_pid < 0) return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (LoopbackPortListens(m_rawPort) && LoopbackPortListens(m_telnetPort)) return true;
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Ser2netServer::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::string Ser2netServer::Log() const {
    std::ifstream in(m_dir.file("ser2net.log"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
