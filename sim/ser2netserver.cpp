#include "ser2netserver.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

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
    for (const char* name : {"ser2net.yaml", "ser2net.log", "ser2net.pid"})
        unlink(File(name).c_str());
    if (!m_dir.empty()) rmdir(m_dir.c_str());
}

bool Ser2netServer::Start(const std::string& device, const std::string& line) {
    const std::string program = Program();
    if (program.empty()) return false;
    if (m_dir.empty()) {
        char pattern[] = "/tmp/quillon-ser2net-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return false;
        m_dir = pattern;
    }
    m_device = device;
    m_rawPort = FreeLoopbackPort();
    m_telnetPort = FreeLoopbackPort();
    while (m_telnetPort == m_rawPort) m_telnetPort = FreeLoopbackPort();
    const std::string config = File("ser2net.yaml");
    {
        std::ofstream out(config);
        // chardelay off: ser2net would otherwise hold every answer back for
        // two characters' time (at least 1 ms) to gather more bytes.
        for (const auto& [name, accepter, port] :
             {std::make_tuple("raw", "tcp", m_rawPort),
              std::make_tuple("rfc2217", "telnet(rfc2217),tcp", m_telnetPort)}) {
            out << "connection: &" << name << "\n"
                << "  accepter: " << accepter << ",127.0.0.1," << port << "\n"
                << "  connector: serialdev," << device << "," << line << ",local\n"
                << "  options:\n"
                << "    chardelay: false\n";
        }
    }
    const std::string log = File("ser2net.log");
    m_pid = fork();
    if (m_pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        // -n: stay in the foreground, so that the test can stop it by its id.
        execl(program.c_str(), program.c_str(), "-n", "-c", config.c_str(), "-P",
              File("ser2net.pid").c_str(), static_cast<char*>(nullptr));
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

bool Ser2netServer::WaitUntilIdle(int timeoutMs) const {
    if (m_pid <= 0) return true;
    struct stat device {};
    if (stat(m_device.c_str(), &device) != 0) return true;
    const std::string fds = "/proc/" + std::to_string(m_pid) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bool holding = false;
        if (DIR* dir = opendir(fds.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                struct stat target {};
                if (entry->d_name[0] != '.' &&
                    stat((fds + "/" + entry->d_name).c_str(), &target) == 0 &&
                    S_ISCHR(target.st_mode) && target.st_rdev == device.st_rdev)
                    holding = true;
            }
            closedir(dir);
        }
        if (!holding) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string Ser2netServer::Log() const {
    std::ifstream in(File("ser2net.log"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
