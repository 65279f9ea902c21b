#include "module_search.h"

#include <algorithm>

#include "line_address.h"
#include "register_map.h"

namespace {

constexpr int kParityNone = 0;
constexpr int kParityOdd = 1;
constexpr int kParityEven = 2;

// The settings modules leave the factory with or are most often set to.
const ScanSettings kCommonFirst[] = {
    {115200, kParityNone},
    {9600, kParityNone},
    {19200, kParityEven},
};

// Read request of two registers and its answer (2 * 2 + 5 bytes).
constexpr int kRequestBytes = 8;
constexpr int kAnswerBytes = 9;
// The silence that ends a frame, in tenths of a character, before each of
// the two frames.
constexpr int kSilenceTenths = 2 * 35;
// The module's own turnaround plus what a USB adapter adds before it hands
// received bytes on (an FTDI latency timer is 16 ms by default).
constexpr int kTurnaroundMs = 40;

}  // namespace

std::vector<ScanSettings> ScanOrder() {
    std::vector<ScanSettings> order(std::begin(kCommonFirst), std::end(kCommonFirst));
    for (int parity : {kParityNone, kParityEven, kParityOdd}) {
        for (int baud : kScanRates) {
            const ScanSettings settings{baud, parity};
            bool listed = false;
            for (const ScanSettings& common : kCommonFirst) listed = listed || common == settings;
            if (!listed) order.push_back(settings);
        }
    }
    return order;
}

int ScanTryTimeoutMs(const ScanSettings& settings) {
    // Start bit, 8 data bits, parity bit when there is one, 1 stop bit.
    const long long bitsPerChar = settings.parity == kParityNone ? 10 : 11;
    const long long tenths = 10LL * (kRequestBytes + kAnswerBytes) + kSilenceTenths;
    const long long bitTenths = tenths * bitsPerChar * 1000;
    const long long divisor = 10LL * (settings.baud > 0 ? settings.baud : 1);
    const long long wireMs = (bitTenths + divisor - 1) / divisor;
    return static_cast<int>(wireMs) + kTurnaroundMs;
}

bool ScanSettingsFixedByServer(const ScanPort& port) {
    LineAddress address;
    return ParseLineAddress(port.path, &address) &&
           (address.kind == LineKind::RawTcp || address.kind == LineKind::ModbusTcp);
}

int ScanFixedTryTimeoutMs() {
    int longest = 0;
    for (const ScanSettings& settings : ScanOrder())
        longest = std::max(longest, ScanTryTimeoutMs(settings));
    return longest;
}

bool IsKnownModuleType(uint16_t type) {
    return type == kModuleTypeTavel;
}

ScanOutcome SearchModule(ScanLine& line, const std::vector<ScanPort>& ports,
                         const ScanProgressFn& progress) {
    ScanOutcome outcome;
    const std::vector<ScanSettings> order = ScanOrder();
    std::vector<bool> usable(ports.size(), true);
    std::vector<bool> fixed(ports.size(), false);
    size_t planned = 0;
    for (size_t p = 0; p < ports.size(); ++p) {
        fixed[p] = ScanSettingsFixedByServer(ports[p]);
        planned += fixed[p] ? 1 : order.size();
    }

    size_t index = 0;
    for (size_t s = 0; s < order.size(); ++s) {
        const ScanSettings& settings = order[s];
        for (size_t p = 0; p < ports.size(); ++p) {
            if (!usable[p] || (fixed[p] && s > 0)) continue;
            if (progress) {
                ScanProgress step;
                step.tryIndex = index;
                step.tryCount = planned;
                step.port = &ports[p];
                step.settings = settings;
                if (!progress(step)) {
                    outcome.cancelled = true;
                    return outcome;
                }
            }
            ++index;
            ++outcome.tries;

            std::string reason;
            const int timeoutMs = fixed[p] ? ScanFixedTryTimeoutMs() : ScanTryTimeoutMs(settings);
            const ScanLine::OpenResult opened =
                line.Open(ports[p].path, settings, timeoutMs, &reason);
            if (opened == ScanLine::kPortUnusable) {
                // Every later try of this port would fail the same way.
                usable[p] = false;
                if (!fixed[p]) planned -= order.size() - s - 1;
                outcome.unusable.emplace_back(ports[p], reason);
                continue;
            }
            if (opened != ScanLine::kOpened) continue;

            uint16_t type = 0;
            const bool answered = line.ReadModuleType(&type);
            line.Close();
            if (!answered) continue;
            if (!IsKnownModuleType(type)) {
                ++outcome.unknownTypes;
                continue;
            }
            outcome.found = true;
            outcome.port = ports[p];
            outcome.settings = settings;
            outcome.settingsFromServer = fixed[p];
            outcome.moduleType = type;
            return outcome;
        }
    }
    return outcome;
}

std::string ScanFormatName(const ScanSettings& settings) {
    const char parity = settings.parity == kParityOdd    ? 'O'
                        : settings.parity == kParityEven ? 'E'
                                                         : 'N';
    return std::string("8") + parity + "1";
}

const char* ScanParityName(int parity) {
    switch (parity) {
        case kParityOdd:
            return "odd";
        case kParityEven:
            return "even";
        default:
            return "none";
    }
}
