#include "clicontext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "cli_texts.h"
#include "hexbytes.h"
#include "open_failure.h"
#include "port_numbers.h"
#include "program_paths.h"
#include "regular_file.h"
#include "errno_text.h"
#include "wire_log.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 255;

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

CliContext::CliContext(const CliOptions& options, std::ostream& out, std::ostream& err)
    : m_options(options), m_out(out), m_err(err) {
    if (options.config.empty()) {
        // The programs' own config.ini, so that port numbers mean the same.
        const ConfigLocation location = ConfigPathFor(ExecutableFolder(), CurrentPathEnvironment());
        m_ini.SetPath(location.path, location.perUser);
    } else {
        m_ini.SetPath(options.config);
    }
    m_port.SetPortDirectory(&m_portDirectory);
    m_port.SetNetworkAllowanceMs(NetworkAllowanceSetting(&m_ini));
    m_session.SetPort(&m_port);
}

int CliContext::CheckConfigFile() {
    const FileKind kind = PathKind(m_ini.Path());
    if (kind == FileKind::Missing || kind == FileKind::Regular) return kExitOk;
    Error(FillCliText(kCliSettingsFileUnreadable,
                      {{"path", m_ini.Path()}, {"reason", FileErrorText(EINVAL, kind)}}));
    return kExitUsage;
}

int CliContext::ParityCode() const {
    if (m_options.parity == "odd") return 1;
    if (m_options.parity == "even") return 2;
    return 0;
}

int CliContext::OpenPort() {
    if (m_options.port.empty()) {
        Error(CliString(kCliNeedsPort));
        return kExitUsage;
    }
    std::string path;
    int number = 0;
    std::string error;
    if (!ResolvePortArgument(m_options.port, &m_ini, &path, &number, &error)) {
        Error(error);
        return kExitUsage;
    }
    ApplyEchoMode(number);
    // Stop bits by the serial page's positions: "1" is 0, "2" is 2.
    const int stopBits = m_options.stopBits == 2 ? 2 : 0;
    const int status =
        m_port.OpenDevice(path, m_options.baud, m_options.dataBits, stopBits, ParityCode(), 0);
    if (status != kSerialOk) {
        Error(FillCliText(kCliPortOpenFailed,
                          {{"reason", OpenFailureReasonText(m_port.LastFailure())}}));
        return kExitPort;
    }
    if (m_options.timeoutMs > 0) m_port.SetTimeoutMs(m_options.timeoutMs);
    return kExitOk;
}

int CliContext::StartTrace() {
    if (m_options.trace.empty()) return kExitOk;
    FileKind kind = FileKind::Missing;
    const int error = m_trace.Open(m_options.trace, "quillon-cli", &kind);
    if (error != 0) {
        Error(FillCliText(kCliTraceUnwritable,
                          {{"path", m_options.trace}, {"reason", FileErrorText(error, kind)}}));
        return kExitUsage;
    }
    // A write that fails later ends the trace; the command goes on.
    m_trace.SetFailureHandler([this](int writeError) {
        Error(FillCliText(kCliTraceWriteFailed,
                          {{"path", m_options.trace}, {"error", SystemErrorText(writeError)}}));
    });
    m_session.AddObserver(&m_trace);
    return kExitOk;
}

void CliContext::ApplyEchoMode(int portNumber) {
    // The mode holds across every open, the search's included.
    CSerialPort::EchoMode mode = CSerialPort::EchoMode::Automatic;
    if (m_options.echo == "on")
        mode = CSerialPort::EchoMode::Always;
    else if (m_options.echo == "off")
        mode = CSerialPort::EchoMode::Never;
    else if (m_options.echo.empty() && portNumber > 0)
        mode = static_cast<CSerialPort::EchoMode>(EchoModeSetting(&m_ini));
    m_port.SetEchoMode(mode);
}

void CliContext::Error(const std::string& text) {
    m_err << "quillon-cli: " << text << std::endl;
}

int CliContext::ModuleFailed(const std::string& what, int status) {
    if (status == kModuleRequestTooLarge) {
        Error(FillCliText(kCliRequestTooLarge, {{"what", what}}));
        return kExitUsage;
    }
    if (status == kModbusWritesRefused) {
        Error(FillCliText(kCliWritesRefused, {{"what", what}, {"ini", m_ini.Path()}}));
        return kExitModule;
    }
    const ExchangeVerdict verdict = m_session.lastVerdict();
    Error(FillCliText(
        kCliModuleFailed,
        {{"what", what},
         {"reason", DescribeVerdict(verdict, m_session.lastExceptionCode(), m_port.TimeoutMs())}}));
    // Silence or a cut answer is most often a line set differently from the
    // module's; said once, not at every failure of a following command.
    if ((verdict == ExchangeVerdict::Timeout || verdict == ExchangeVerdict::Short) &&
        !m_lineHintGiven) {
        m_lineHintGiven = true;
        Error(FillCliText(kCliLineHint,
                          {{"port", m_options.port.empty() ? std::string("N") : m_options.port}}));
    }
    return kExitModule;
}

void CliContext::PrintJson(const Json& value, bool oneLine) {
    m_out << value.dump(oneLine ? -1 : 2, ' ', false, Json::error_handler_t::replace) << std::endl;
}

bool ResolvePortArgument(const std::string& text, CControlIni* ini, std::string* path, int* number,
                         std::string* error) {
    *number = 0;
    if (text.find('/') != std::string::npos) {
        *path = text;
        return true;
    }
    if (!AllDigits(text) || text.size() > 3 || std::stoi(text) < kFirstPort ||
        std::stoi(text) > kLastPort) {
        *error = FillCliText(kCliPortArgument, {{"text", text}});
        return false;
    }
    *number = std::stoi(text);
    // As the port lists do: present devices without a number get theirs
    // first, so a number shown by `ports` or in a program opens that device.
    *path = RefreshPortNumbers(ini, DefaultDiscoveryRoots()).paths[*number - 1];
    return true;
}

std::string DescribeVerdict(ExchangeVerdict verdict, uint8_t exceptionCode, int timeoutMs) {
    switch (verdict) {
        case ExchangeVerdict::Ok:
            return CliString(kCliVerdictUnfit);
        case ExchangeVerdict::Timeout:
            return FillCliText(kCliVerdictTimeout, {{"ms", std::to_string(timeoutMs)}});
        case ExchangeVerdict::Short:
            return CliString(kCliVerdictShort);
        case ExchangeVerdict::CrcError:
            return CliString(kCliVerdictCrc);
        case ExchangeVerdict::Exception: {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", exceptionCode);
            return FillCliText(kCliVerdictException,
                               {{"code", code}, {"name", ModbusExceptionName(exceptionCode)}});
        }
        case ExchangeVerdict::Inconsistent:
            return CliString(kCliVerdictInconsistent);
        case ExchangeVerdict::Refused:
            return CliString(kCliVerdictRefused);
        case ExchangeVerdict::EchoUndecided:
            return CliString(kCliVerdictEchoUndecided);
    }
    return CliString(kCliVerdictUnknown);
}

// "key  value" lines of a JSON tree, keys joined with dots; lists joined
// with commas, a value outside its list ("null") as "-".
void PrintFlatJson(std::ostream& out, const Json& value, const std::string& key) {
    if (value.is_object()) {
        for (const auto& item : value.items())
            PrintFlatJson(out, item.value(), key.empty() ? item.key() : key + "." + item.key());
        return;
    }
    std::string text;
    if (value.is_string()) {
        text = TerminalText(value.get<std::string>());
    } else if (value.is_array()) {
        for (const Json& element : value) {
            if (!text.empty()) text += ", ";
            text += element.is_string() ? TerminalText(element.get<std::string>()) : element.dump();
        }
    } else if (value.is_null()) {
        text = "-";
    } else {
        text = value.dump();
    }
    out << key << std::string(key.size() < 32 ? 32 - key.size() : 1, ' ') << text << '\n';
}

std::string TerminalText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    char escape[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+0080..U+009F are C2 80..C2 9F in UTF-8; terminals take some of
        // them (U+009B) as the start of a control sequence.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        } else if (c1) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[++i]));
            shown += escape;
        } else {
            shown += text[i];
        }
    }
    return shown;
}
