#include "cli_commands.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "cli_texts.h"
#include "clicontext.h"
#include "config_json.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "hex_args.h"
#include "hexbytes.h"
#include "io_block.h"
#include "iopoller.h"
#include "line_address.h"
#include "module_search.h"
#include "network_time.h"
#include "port_numbers.h"
#include "register_map.h"
#include "search_ports.h"
#include "serialscanline.h"

namespace {

// The I/O page gives up on periodic event reads after this many failures
// in a row; following events does the same.
constexpr int kFollowFailureLimit = IoPoller::kFailureLimit;

volatile std::sig_atomic_t g_stop = 0;

// "%02X " byte list without the trailing blank.
std::string HexList(const uint8_t* bytes, size_t n) {
    std::string text = FormatHexBytes(bytes, n);
    if (!text.empty()) text.pop_back();
    return text;
}

std::string Hex16(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// Captions of the set bits of an event word or mask, bit 9 first.
std::vector<std::string> BitCaptions(uint16_t word) {
    std::vector<std::string> captions;
    for (const InterruptBit& bit : kInterruptBits) {
        if ((word & (1u << bit.bit)) == 0) continue;
        std::string caption = bit.caption;
        while (!caption.empty() && caption.back() == ' ') caption.pop_back();
        captions.push_back(caption);
    }
    return captions;
}

std::string Joined(const std::vector<std::string>& words, const char* separator) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += separator;
        text += word;
    }
    return text;
}

// Local wall-clock time with milliseconds, for lines of a following command.
std::string NowText() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[40];
    const size_t n = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03ld", now.tv_nsec / 1000000);
    return text;
}

// Sleeps up to ms, ending early once a stop was requested.
void SleepMs(int ms) {
    const int64_t step = 20;
    for (int64_t left = ms; left > 0 && !g_stop; left -= step) {
        const int64_t part = left < step ? left : step;
        timespec wait{static_cast<time_t>(part / 1000), static_cast<long>(part % 1000) * 1000000};
        nanosleep(&wait, nullptr);
    }
}

}  // namespace

void RequestStop() {
    g_stop = 1;
}

bool StopRequested() {
    return g_stop != 0;
}

int RunInfo(CliContext& context) {
    ConfigBlocks blocks;
    int status = context.session().ReadGeneralBlock(blocks.general);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadGeneral), status);
    status = context.session().ReadFieldbusBlock(blocks.fieldbus);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadFieldbus), status);

    // Module type and device record as the configuration document names them.
    const Json document = Json::parse(ConfigToJson(blocks));
    const int stateIndex = ModuleStateIndex(WireWord(blocks.fieldbus, 2));
    const int statusIndex = FieldbusStatusIndex(WireWord(blocks.fieldbus, 0));
    Json j;
    j["module_type"] = document["module_type"];
    j["device"] = document["device"];
    j["module_state"] =
        stateIndex >= 0 ? kModuleStateTexts[stateIndex] : Hex16(WireWord(blocks.fieldbus, 2));
    j["fieldbus_status"] =
        statusIndex >= 0
            // JSON is the same in every language: the module's own (Chinese) names.
            ? CoreTextIn(kFieldbusStatusTexts[statusIndex], TextLanguage::Chinese)
            : Hex16(WireWord(blocks.fieldbus, 0));
    if (context.json()) {
        context.PrintJson(j);
    } else {
        PrintFlatJson(context.out(), j, "");
        context.out() << std::flush;
    }
    return kExitOk;
}

int RunIoRead(CliContext& context, const CliCommand& command) {
    int count = command.count;
    if (count < 0) {
        // Without a count, as many bytes as the module's output length.
        uint8_t io[kIoBlockSize] = {};
        const int status = context.session().ReadIoBlock(io);
        if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadIo), status);
        count = IoOutputLength(io);
        if (count > static_cast<int>(kIoAreaSize)) count = static_cast<int>(kIoAreaSize);
    }
    uint8_t area[kIoAreaSize] = {};
    int length = 0;
    const int status = context.session().ReadOutputData(RegistersForBytes(count), area, &length);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadOutput), status);
    if (length > count) length = count;

    const std::string bytes = HexList(area, static_cast<size_t>(length));
    if (context.json()) {
        Json j;
        j["length"] = length;
        j["output_data"] = bytes;
        context.PrintJson(j);
    } else {
        context.out() << bytes << std::endl;
    }
    return kExitOk;
}

int PrepareCommand(CliContext& context, CliCommand* command) {
    std::string error;
    if (command->name == "io write") {
        if (!ParseHexArguments(command->words, kIoAreaSize, &command->bytes, &error)) {
            context.Error(FillCliText(kCliIoWriteBadBytes, {{"error", error}}));
            return kExitUsage;
        }
        const size_t count = command->bytes.size();
        if (count == 0) {
            context.Error(CliString(kCliIoWriteNoBytes));
            return kExitUsage;
        }
        // A register carries two bytes and the input data cannot be read
        // back, so the missing half of the last register would go out as 00
        // over a byte nobody named.
        if (count % 2 != 0) {
            context.Error(FillCliText(kCliIoWriteOddCount, {{"count", std::to_string(count)}}));
            return kExitUsage;
        }
    }
    if (command->name == "emergency") {
        const CliText framing[2] = {kCliEmergencyBadStandard, kCliEmergencyBadCustom};
        const std::string* const texts[2] = {&command->first, &command->second};
        command->bytes.assign(4, 0);
        for (size_t i = 0; i < 2; ++i) {
            std::vector<uint8_t> bytes;
            if (!ParseHexArguments({*texts[i]}, 2, &bytes, &error)) {
                context.Error(FillCliText(framing[i], {{"error", error}}));
                return kExitUsage;
            }
            // Missing bytes are 0, as on the fieldbus page.
            for (size_t k = 0; k < bytes.size(); ++k) command->bytes[2 * i + k] = bytes[k];
        }
    }
    return kExitOk;
}

int RunIoWrite(CliContext& context, const CliCommand& command) {
    const std::vector<uint8_t>& bytes = command.bytes;
    const int status =
        context.session().WriteInputData(bytes.data(), static_cast<int>(bytes.size()));
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepWriteInput), status);
    const std::string text = HexList(bytes.data(), bytes.size());
    const uint32_t registers = RegistersForBytes(static_cast<int>(bytes.size()));
    const uint16_t last = static_cast<uint16_t>(reg::kInputData + registers - 1);
    if (context.json()) {
        Json j;
        j["length"] = bytes.size();
        j["input_data"] = text;
        j["first_register"] = reg::kInputData;
        j["registers"] = registers;
        context.PrintJson(j);
    } else {
        const std::string lastByte = std::to_string(bytes.size() - 1);
        context.out() << (registers == 1 ? FillCliText(kCliWroteInputRegister,
                                                       {{"last", lastByte},
                                                        {"bytes", text},
                                                        {"register", Hex16(reg::kInputData)}})
                                         : FillCliText(kCliWroteInputRegisters,
                                                       {{"last", lastByte},
                                                        {"bytes", text},
                                                        {"from", Hex16(reg::kInputData)},
                                                        {"to", Hex16(last)}}))
                      << std::endl;
    }
    return kExitOk;
}

int RunEvents(CliContext& context, const CliCommand& command) {
    const bool follow = command.followMs >= 0;
    int failures = 0;
    for (;;) {
        uint16_t word = 0;
        const int status = context.session().ReadEvents(&word);
        if (status == kModuleOk) {
            failures = 0;
            const std::vector<std::string> bits = BitCaptions(word);
            if (context.json()) {
                Json j;
                if (follow) j["time"] = NowText();
                j["events"] = word;
                j["bits"] = bits;
                context.PrintJson(j, follow);
            } else {
                if (follow) context.out() << NowText() << ' ';
                context.out() << Hex16(word);
                if (!bits.empty()) context.out() << ' ' << Joined(bits, " ");
                context.out() << std::endl;
            }
        } else if (status == kModuleIgnored) {
            // An answer without one event word is passed over, as the I/O page does.
            if (!follow) {
                context.Error(CliString(kCliEventsNoWord));
                return kExitModule;
            }
        } else if (!follow || status != kModuleFailed || ++failures >= kFollowFailureLimit) {
            return context.ModuleFailed(CliString(kCliStepReadEvents), status);
        } else {
            (void)context.ModuleFailed(CliString(kCliStepReadEvents), status);
        }
        if (!follow || g_stop) return kExitOk;
        SleepMs(command.followMs);
        if (g_stop) return kExitOk;
    }
}

int RunErrors(CliContext& context) {
    uint8_t bytes[kErrorMessageBytes] = {};
    int count = 0;
    const int status = context.session().ReadErrorMessages(bytes, &count);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadErrors), status);
    // Rows as the fieldbus page's grid shows them: an index, then a code.
    constexpr size_t kRowBytes = kErrorIndexBytes + kErrorCodeBytes;
    Json rows = Json::array();
    for (size_t row = 0; (row + 1) * kRowBytes <= static_cast<size_t>(count); ++row) {
        Json j;
        j["index"] = HexList(bytes + row * kRowBytes, kErrorIndexBytes);
        j["error_code"] = HexList(bytes + row * kRowBytes + kErrorIndexBytes, kErrorCodeBytes);
        rows.push_back(j);
    }
    if (context.json()) {
        Json j;
        j["errors"] = rows;
        j["error_message"] = HexList(bytes, static_cast<size_t>(count));
        context.PrintJson(j);
        return kExitOk;
    }
    context.out() << CliString(kCliErrorsHeading) << '\n';
    for (const Json& row : rows)
        context.out() << row["index"].get<std::string>() << "  "
                      << row["error_code"].get<std::string>() << '\n';
    if (static_cast<size_t>(count) % kRowBytes != 0)
        context.out() << FillCliText(kCliErrorsCutRow,
                                     {{"bytes", HexList(bytes + count / kRowBytes * kRowBytes,
                                                        count % kRowBytes)}})
                      << '\n';
    context.out() << std::flush;
    return kExitOk;
}

int RunTime(CliContext& context) {
    uint32_t ms = 0;
    uint16_t days = 0;
    const int status = context.session().ReadNetworkTime(&ms, &days);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepReadTime), status);
    int year = 0, month = 0, day = 0;
    DecodeNetworkDate(days, &year, &month, &day);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02u:%02u:%02u.%03u", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    if (context.json()) {
        Json j;
        j["date"] = date;
        j["time"] = clock;
        j["days"] = days;
        j["ms"] = ms;
        context.PrintJson(j);
    } else {
        context.out() << date << ' ' << clock << std::endl;
    }
    return kExitOk;
}

int RunMode(CliContext& context, const CliCommand& command) {
    const uint16_t value = command.mode == "reset" ? kDeviceModeReset : kDeviceModeStart;
    const int status = context.session().WriteDeviceMode(value);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepDeviceMode), status);
    if (context.json()) {
        Json j;
        j["mode"] = command.mode;
        j["value"] = value;
        context.PrintJson(j);
    } else {
        context.out() << FillCliText(kCliDeviceModeSent, {{"mode", command.mode}}) << std::endl;
    }
    return kExitOk;
}

int RunEmergency(CliContext& context, const CliCommand& command) {
    const uint8_t* data = command.bytes.data();
    const int status = context.session().SendEmergency(data);
    if (status != kModuleOk) return context.ModuleFailed(CliString(kCliStepEmergency), status);
    if (context.json()) {
        Json j;
        j["emergency_standard"] = HexList(data, 2);
        j["emergency_custom"] = HexList(data + 2, 2);
        context.PrintJson(j);
    } else {
        context.out() << FillCliText(kCliEmergencySent, {{"bytes", HexList(data, 4)}}) << std::endl;
    }
    return kExitOk;
}

namespace {

// "2400, 4800, ... 614400": the rates a search tries.
std::string TriedRatesText() {
    std::string rates;
    for (int baud : kScanRates) {
        if (!rates.empty()) rates += CliString(kCliListSeparator);
        rates += std::to_string(baud);
    }
    return rates;
}

std::string PortName(const ScanPort& port) {
    return port.number > 0 ? std::to_string(port.number) : port.path;
}

}  // namespace

namespace {

// The number that opens each present device (0 when none).
std::vector<int> DeviceNumbers(const PortNumberMap& map) {
    std::vector<int> numbers(map.devices.size(), 0);
    for (int n = kPortNumberCount; n >= 1; --n) {
        const int device = map.deviceOf[n - 1];
        if (device >= 0) numbers[device] = n;
    }
    return numbers;
}

}  // namespace

// The [ports] entries that no present device stands behind: network lines,
// pseudo-terminals, unplugged adapters.
std::vector<int> OtherEntries(const PortNumberMap& map) {
    std::vector<int> numbers;
    for (int n = 1; n <= kPortNumberCount; ++n)
        if (map.stored[n - 1] && map.deviceOf[n - 1] < 0) numbers.push_back(n);
    return numbers;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

int RunPorts(CliContext& context) {
    const DiscoveryRoots roots = DefaultDiscoveryRoots();
    const PortNumberMap map = RefreshPortNumbers(&context.ini(), roots);
    const std::vector<int> numbers = DeviceNumbers(map);
    const std::vector<int> others = OtherEntries(map);
    if (map.storeFailed)
        context.Error(FillCliText(kCliPortsNotStored, {{"path", context.ini().Path()}}));
    if (context.json()) {
        Json list = Json::array();
        for (size_t d = 0; d < map.devices.size(); ++d) {
            const SerialDeviceInfo& device = map.devices[d];
            Json j;
            if (numbers[d] > 0)
                j["port"] = numbers[d];
            else
                j["port"] = nullptr;
            j["path"] = device.devicePath;
            j["by_id"] = device.byIdPath;
            j["description"] = DescribeSerialDevice(device);
            j["manufacturer"] = device.manufacturer;
            j["product"] = device.product;
            j["serial"] = device.serial;
            j["usb_vendor_id"] = device.vendorId;
            j["usb_product_id"] = device.productId;
            j["driver"] = device.driver;
            j["kind"] = "device";
            j["present"] = true;
            list.push_back(j);
        }
        for (int n : others) {
            const std::string& path = map.paths[n - 1];
            LineAddress address;
            ParseLineAddress(path, &address);
            Json j;
            j["port"] = n;
            j["path"] = path;
            j["kind"] = address.kind == LineKind::Device ? "device" : LineKindScheme(address.kind);
            if (address.kind == LineKind::Device)
                j["present"] = PathExists(HostDevicePath(roots, path));
            else
                j["present"] = nullptr;
            list.push_back(j);
        }
        Json j;
        j["ports"] = list;
        context.PrintJson(j);
        return kExitOk;
    }
    if (map.devices.empty() && others.empty()) context.Error(CliString(kCliPortsNone));
    for (size_t d = 0; d < map.devices.size(); ++d) {
        const SerialDeviceInfo& device = map.devices[d];
        const std::string number = numbers[d] > 0 ? std::to_string(numbers[d]) : "-";
        context.out() << number << std::string(number.size() < 4 ? 4 - number.size() : 1, ' ')
                      << TerminalText(DescribeSerialDevice(device));
        if (!device.byIdPath.empty()) context.out() << "  " << TerminalText(device.byIdPath);
        context.out() << '\n';
    }
    for (int n : others) {
        const std::string number = std::to_string(n);
        const std::string& path = map.paths[n - 1];
        context.out() << number << std::string(number.size() < 4 ? 4 - number.size() : 1, ' ')
                      << path;
        if (!IsNetworkLine(path) && !PathExists(HostDevicePath(roots, path)))
            context.out() << "  " << CliString(kCliPortAbsent);
        context.out() << '\n';
    }
    context.out() << std::flush;
    return kExitOk;
}

int RunScan(CliContext& context) {
    std::vector<ScanPort> ports;
    if (!context.options().port.empty()) {
        ScanPort port;
        std::string error;
        if (!ResolvePortArgument(context.options().port, &context.ini(), &port.path, &port.number,
                                 &error)) {
            context.Error(error);
            return kExitUsage;
        }
        ports.push_back(port);
        context.ApplyEchoMode(port.number);
    } else {
        context.ApplyEchoMode(0);
        const DiscoveryRoots roots = DefaultDiscoveryRoots();
        ports = SearchPortsFor(0, RefreshPortNumbers(&context.ini(), roots), roots);
    }
    if (ports.empty()) {
        context.Error(CliString(kCliScanNoDevice));
        return kExitModule;
    }

    SerialScanLine line(&context.port(), &context.session());
    line.SetFixedTimeoutMs(context.options().timeoutMs);
    const bool showProgress = isatty(STDERR_FILENO) == 1;
    auto progress = [&](const ScanProgress& step) {
        if (g_stop) return false;
        if (showProgress) {
            context.err() << "\r\033[K"
                          << FillCliText(kCliScanProgress,
                                         {{"path", step.port->path},
                                          {"baud", std::to_string(step.settings.baud)},
                                          {"format", ScanFormatName(step.settings)},
                                          {"try", std::to_string(step.tryIndex + 1)},
                                          {"tries", std::to_string(step.tryCount)}})
                          << std::flush;
        }
        return true;
    };
    const ScanOutcome outcome = SearchModule(line, ports, progress);
    context.port().Close();
    if (showProgress) context.err() << "\r\033[K" << std::flush;

    for (const auto& unusable : outcome.unusable)
        context.Error(FillCliText(kCliScanUnusable,
                                  {{"path", unusable.first.path}, {"reason", unusable.second}}));
    // Nothing was searched at all: that is no module missing, but ports that
    // could not be opened, and the messages above say why.
    if (!outcome.cancelled && outcome.unusable.size() == ports.size()) {
        if (context.json()) {
            Json j;
            j["found"] = false;
            j["tries"] = outcome.tries;
            context.PrintJson(j);
        }
        context.Error(CliString(ports.size() == 1 ? kCliScanPortUnopened : kCliScanNoPortOpened));
        return kExitPort;
    }
    if (outcome.cancelled) {
        context.Error(FillCliText(kCliScanStopped, {{"tries", std::to_string(outcome.tries)}}));
        return kExitModule;
    }
    if (!outcome.found) {
        std::string where;
        for (const ScanPort& port : ports) {
            bool opened = true;
            for (const auto& unusable : outcome.unusable)
                opened = opened && unusable.first.path != port.path;
            if (!opened) continue;
            if (!where.empty()) where += CliString(kCliListSeparator);
            where += ScanSettingsFixedByServer(port)
                         ? FillCliText(kCliScanServerPort, {{"path", port.path}})
                         : port.path;
        }
        if (context.json()) {
            Json j;
            j["found"] = false;
            j["tries"] = outcome.tries;
            context.PrintJson(j);
        }
        context.Error(FillCliText(kCliScanNotFound, {{"ports", where},
                                                     {"rates", TriedRatesText()},
                                                     {"tries", std::to_string(outcome.tries)}}));
        return kExitModule;
    }

    if (outcome.settingsFromServer) {
        // Whatever the line runs at is the server's to set, not ours to report.
        if (context.json()) {
            Json j;
            j["found"] = true;
            if (outcome.port.number > 0)
                j["port"] = outcome.port.number;
            else
                j["port"] = outcome.port.path;
            j["path"] = outcome.port.path;
            j["settings"] = "server";
            j["module_type"] = outcome.moduleType;
            j["tries"] = outcome.tries;
            context.PrintJson(j);
        } else {
            context.out() << "found port=" << PortName(outcome.port) << " settings=server"
                          << std::endl;
        }
        return kExitOk;
    }
    const char* parity = ScanParityName(outcome.settings.parity);
    if (context.json()) {
        Json j;
        j["found"] = true;
        if (outcome.port.number > 0)
            j["port"] = outcome.port.number;
        else
            j["port"] = outcome.port.path;
        j["path"] = outcome.port.path;
        j["baud"] = outcome.settings.baud;
        j["data"] = kScanDataBits;
        j["parity"] = parity;
        j["stop"] = 1;
        j["module_type"] = outcome.moduleType;
        j["tries"] = outcome.tries;
        context.PrintJson(j);
    } else {
        context.out() << "found port=" << PortName(outcome.port)
                      << " baud=" << outcome.settings.baud << " data=" << kScanDataBits
                      << " parity=" << parity << " stop=1" << std::endl;
    }
    return kExitOk;
}
