// quillon-sim: the module simulator as a program. Prints the device to open
// as its first line and serves until SIGINT or SIGTERM.

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ccontrolini.h"
#include "modbustcpgateway.h"
#include "modulesimulator.h"

namespace {

void Usage(FILE* out) {
    std::fprintf(
        out,
        "usage: quillon-sim [--baud N] [--line RATE] [--config FILE] [--echo] [--log]\n"
        "                   [--password HEX] [--modbus-tcp PORT] [--version]\n"
        "  --baud N        pace every answer byte at N baud (10 bits a byte); 0 = no pacing\n"
        "  --line RATE     answer only while the master's line runs at RATE baud\n"
        "  --config FILE   write [ports] com1=<device> into that config.ini\n"
        "  --echo          echo every byte received before answering, like a two-wire\n"
        "                  RS-485 adapter that hears its own transmission\n"
        "  --log           print every request and answer in hex with a timestamp\n"
        "  --password HEX  the fieldbus password (default 1234)\n"
        "  --modbus-tcp PORT  also serve as a Modbus TCP gateway on 127.0.0.1:PORT (0: any\n"
        "                  free port); the second output line is its URL\n"
        "  --version       print the name and version and exit\n");
}

// Only there so that the signals are not ignored: a program started in the
// background by a shell inherits SIGINT ignored, and an ignored signal is
// discarded instead of being left pending for sigwait.
void NoteSignal(int) {}

bool ParseNumber(const char* text, int base, unsigned long max, unsigned long* value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long parsed = std::strtoul(text, &end, base);
    if (errno != 0 || *end != '\0' || parsed > max || text[0] == '-') return false;
    *value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ModuleSimulator::Options options;
    std::string configPath;
    int gatewayPort = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long value = 0;
        if (arg == "--baud" && ParseNumber(next, 10, 100000000, &value)) {
            options.baud = static_cast<int>(value);
            ++i;
        } else if (arg == "--line" && ParseNumber(next, 10, 100000000, &value) && value > 0) {
            options.lineRate = static_cast<int>(value);
            ++i;
        } else if (arg == "--password" && ParseNumber(next, 16, 0xFFFF, &value)) {
            options.password = static_cast<uint16_t>(value);
            ++i;
        } else if (arg == "--modbus-tcp" && ParseNumber(next, 10, 65535, &value)) {
            gatewayPort = static_cast<int>(value);
            ++i;
        } else if (arg == "--config" && next != nullptr) {
            configPath = next;
            ++i;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--log") {
            options.log = true;
        } else if (arg == "--version") {
            std::printf("quillon-sim %s\n", QUILLON_VERSION);
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quillon-sim: bad argument '%s'\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }

    // Block the stop signals before the serving thread exists, so that it
    // inherits the mask and only sigwait below ever sees them.
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ModuleSimulator simulator;
    if (!simulator.Start(options)) {
        std::fprintf(stderr, "quillon-sim: cannot create a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    if (!configPath.empty()) {
        CControlIni ini;
        ini.SetPath(configPath);
        if (!ini.WriteString("ports", "com1", simulator.DevicePath()))
            std::fprintf(stderr, "quillon-sim: cannot write %s\n", configPath.c_str());
    }
    // The gateway's line runs at the module's rate, as a plant's would.
    ModbusTcpGateway gateway;
    if (gatewayPort >= 0 && !gateway.Start(simulator.DevicePath(), gatewayPort,
                                           options.lineRate > 0 ? options.lineRate : 115200)) {
        std::fprintf(stderr, "quillon-sim: cannot serve Modbus TCP on 127.0.0.1:%d: %s\n",
                     gatewayPort, std::strerror(errno));
        simulator.Stop();
        return 1;
    }
    // Printed last: whoever reads this line may use config.ini at once.
    std::printf("%s\n", simulator.DevicePath().c_str());
    if (gatewayPort >= 0) std::printf("modbus-tcp://127.0.0.1:%d\n", gateway.Port());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    gateway.Stop();
    simulator.Stop();
    return 0;
}
