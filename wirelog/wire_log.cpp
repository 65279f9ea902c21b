#include "wire_log.h"

#include <time.h>

#include <cstdio>

#include "core_texts.h"
#include "modbus_rtu.h"
#include "register_map.h"

namespace {

constexpr uint8_t kReadHolding = 3;
constexpr uint8_t kReadInput = 4;
constexpr uint8_t kWriteSingle = 6;
constexpr uint8_t kWriteMultiple = 16;

// Requests the programs send, by function, first register and quantity.
struct NamedRequest {
    uint8_t function;
    uint16_t start;
    uint16_t quantity;  // 0: any quantity
    CoreText name;
};

const NamedRequest kNamedRequests[] = {
    {kReadHolding, reg::kGeneralBlock, reg::kGeneralBlockCount, kTextAreaGeneral},
    {kReadHolding, reg::kModuleType, reg::kModuleTypeCount, kTextAreaModuleType},
    {kReadHolding, reg::kInterruptEvents, 1, kTextAreaInterruptEvents},
    {kReadHolding, reg::kIoBlock, reg::kIoBlockCount, kTextAreaIo},
    {kReadHolding, reg::kChangeField, reg::kChangeFieldCount, kTextAreaInputChange},
    {kReadHolding, reg::kFieldbusBlock, reg::kFieldbusBlockCount, kTextAreaFieldbus},
    {kReadHolding, reg::kErrorMessage, reg::kErrorMessageCount, kTextAreaErrorMessage},
    {kReadHolding, reg::kNetworkTime, reg::kNetworkTimeCount, kTextAreaNetworkTime},
    {kWriteSingle, reg::kDeviceMode, 0, kTextAreaDeviceMode},
    {kWriteSingle, reg::kInterruptMask, 0, kTextAreaInterruptMask},
    {kWriteSingle, reg::kUartSettings, 0, kTextAreaUart},
    {kWriteSingle, reg::kPassword, 0, kTextAreaPassword},
    {kWriteSingle, reg::kNodeAddress, 0, kTextAreaNodeAddress},
    {kWriteSingle, reg::kNodeBaudRate, 0, kTextAreaNodeBaud},
    {kWriteMultiple, reg::kSwitchCoding, reg::kSwitchCodingCount, kTextAreaSwitchCoding},
    {kWriteMultiple, reg::kInterface, reg::kInterfaceCount, kTextAreaInterface},
    {kWriteMultiple, reg::kWatchdog, reg::kWatchdogCount, kTextAreaWatchdog},
    {kWriteMultiple, reg::kIoLengths, reg::kIoLengthsCount, kTextAreaIoLengths},
    {kWriteMultiple, reg::kDeviceInfo, reg::kDeviceInfoCount, kTextAreaDeviceInfo},
    {kWriteMultiple, reg::kEmergency, reg::kEmergencyCount, kTextAreaEmergency},
};

// Any other request is named after the area its first register lies in.
struct RegisterArea {
    uint16_t first;
    uint16_t last;
    CoreText name;
};

const RegisterArea kAreas[] = {
    {reg::kInputData, reg::kInputData + kIoAreaSize / 2 - 1, kTextAreaInputData},
    {reg::kOutputData, reg::kOutputData + kIoAreaSize / 2 - 1, kTextAreaOutputData},
    {reg::kGeneralBlock, reg::kGeneralBlock + reg::kGeneralBlockCount - 1, kTextAreaGeneral},
    {reg::kIoBlock, reg::kIoBlock + reg::kIoBlockCount - 1, kTextAreaIo},
    {reg::kFieldbusBlock, reg::kFieldbusBlock + reg::kFieldbusBlockCount - 1, kTextAreaFieldbus},
    {reg::kNetworkTime, reg::kNetworkTime + reg::kNetworkTimeCount - 1, kTextAreaNetworkTime},
};

const char* RegisterName(uint8_t function, uint16_t start, uint16_t quantity) {
    for (const NamedRequest& r : kNamedRequests) {
        if (r.function == function && r.start == start &&
            (r.quantity == 0 || r.quantity == quantity))
            return CoreString(r.name);
    }
    for (const RegisterArea& a : kAreas) {
        if (start >= a.first && start <= a.last) return CoreString(a.name);
    }
    return nullptr;
}

uint16_t WordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::string HexBytes(const uint8_t* bytes, size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string ClockText(int64_t wallNs) {
    const time_t seconds = static_cast<time_t>(wallNs / 1000000000);
    const int ms = static_cast<int>((wallNs % 1000000000) / 1000000);
    tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, ms);
    return text;
}

std::string MillisecondsText(int64_t ns) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(ns) / 1e6);
    return text;
}

bool Refused(const ExchangeRecord& record) {
    return record.verdict == ExchangeVerdict::Refused || record.requestLength == 0;
}

// A Modbus TCP line: the rows show the MBAP frames that crossed the network,
// the notes still name the RTU request they carry.
bool OnNetwork(const ExchangeRecord& record) {
    return record.wireRequest != nullptr;
}

std::string RequestField(const ExchangeRecord& record, int column) {
    switch (column) {
        case kWireTime:
            return ClockText(record.startWallNs);
        case kWireDirection:
            return CoreString(kTextWireSent);
        case kWireCount:
            return std::to_string(OnNetwork(record) ? record.wireRequestLength
                                                    : record.requestLength);
        case kWireNote:
            if (Refused(record))
                return WireVerdictText(ExchangeVerdict::Refused, record.exceptionCode,
                                       record.status);
            return WireRequestName(record.request, record.requestLength);
        case kWireBytes:
            if (OnNetwork(record)) return HexBytes(record.wireRequest, record.wireRequestLength);
            return HexBytes(record.request, record.requestLength);
        default:
            return std::string();
    }
}

// The port dropped the request's own bytes coming back (RS-485 adapters that
// hear themselves). Without the echo's bytes, its count stands for the
// request's first bytes, which it matched.
std::string EchoField(const ExchangeRecord& record, int column) {
    switch (column) {
        case kWireTime:
            return ClockText(record.startWallNs);
        case kWireDirection:
            return CoreString(kTextWireEcho);
        case kWireCount:
            return std::to_string(record.echoLength);
        case kWireNote:
            if (record.verdict == ExchangeVerdict::EchoUndecided)
                return CoreString(kTextEchoUndecided);
            return CoreString(kTextEchoFiltered);
        case kWireBytes:
            if (record.echo != nullptr) return HexBytes(record.echo, record.echoLength);
            return HexBytes(record.request, record.echoLength < record.requestLength
                                                ? record.echoLength
                                                : record.requestLength);
        default:
            return std::string();
    }
}

// The answer is stamped with the time its last byte arrived.
std::string AnswerField(const ExchangeRecord& record, int column) {
    switch (column) {
        case kWireTime:
            return ClockText(record.startWallNs + record.durationNs);
        case kWireDirection:
            return CoreString(kTextWireReceived);
        case kWireCount:
            return std::to_string(OnNetwork(record) ? record.wireAnswerLength
                                                    : record.answerLength);
        case kWireElapsed:
            return MillisecondsText(record.durationNs);
        case kWireNote:
            return WireVerdictText(record.verdict, record.exceptionCode, record.status);
        case kWireBytes:
            if (OnNetwork(record)) return HexBytes(record.wireAnswer, record.wireAnswerLength);
            return HexBytes(record.answer, record.answerLength);
        default:
            return std::string();
    }
}

}  // namespace

const char* WireColumnTitle(int column) {
    static const CoreText kTitles[kWireColumnCount] = {kTextColumnTime,  kTextColumnDirection,
                                                       kTextColumnBytes, kTextColumnElapsed,
                                                       kTextColumnNote,  kTextColumnData};
    return column >= 0 && column < kWireColumnCount ? CoreString(kTitles[column]) : "";
}

int WireRowCount(const ExchangeRecord& record) {
    if (Refused(record)) return 1;
    return record.echoLength > 0 ? 3 : 2;
}

WireRowKind WireRowKindOf(const ExchangeRecord& record, int part) {
    if (part <= 0) return WireRowKind::Request;
    if (part == 1 && record.echoLength > 0) return WireRowKind::Echo;
    return WireRowKind::Answer;
}

bool WireRowFailed(const ExchangeRecord& record, int part) {
    switch (WireRowKindOf(record, part)) {
        case WireRowKind::Request:
            return Refused(record);
        case WireRowKind::Echo:
            return false;
        case WireRowKind::Answer:
            break;
    }
    return record.verdict != ExchangeVerdict::Ok;
}

std::string FormatWireField(const ExchangeRecord& record, int part, int column) {
    switch (WireRowKindOf(record, part)) {
        case WireRowKind::Request:
            return RequestField(record, column);
        case WireRowKind::Echo:
            return EchoField(record, column);
        case WireRowKind::Answer:
            break;
    }
    return AnswerField(record, column);
}

WireRow FormatWireRow(const ExchangeRecord& record, int part) {
    WireRow row;
    row.kind = WireRowKindOf(record, part);
    row.failed = WireRowFailed(record, part);
    for (int c = 0; c < kWireColumnCount; ++c) row.fields[c] = FormatWireField(record, part, c);
    return row;
}

std::string WireRowLine(const WireRow& row) {
    std::string line;
    for (int c = 0; c < kWireColumnCount; ++c) {
        if (c > 0) line += '\t';
        line += row.fields[c];
    }
    return line;
}

void AppendWireLines(const ExchangeRecord& record, std::string* out) {
    const int rows = WireRowCount(record);
    for (int part = 0; part < rows; ++part) {
        *out += WireRowLine(FormatWireRow(record, part));
        *out += '\n';
    }
}

std::string WireRequestName(const uint8_t* frame, size_t length) {
    if (frame == nullptr || length < 2) return std::string();
    const uint8_t function = frame[1];
    const std::string functionNumber = std::to_string(function);
    if (length < 6) return FillCoreText(kTextRequestFunction, {{"function", functionNumber}});
    const uint16_t start = WordAt(frame + 2);
    const uint16_t quantity = WordAt(frame + 4);
    char address[8];
    std::snprintf(address, sizeof address, "0x%04X", start);
    CoreText pattern;
    switch (function) {
        case kReadHolding:
            pattern = kTextRequestRead;
            break;
        case kReadInput:
            pattern = kTextRequestReadInput;
            break;
        case kWriteSingle:
            pattern = kTextRequestWrite;
            break;
        case kWriteMultiple:
            pattern = kTextRequestWriteMany;
            break;
        default:
            return FillCoreText(kTextRequestFunction, {{"function", functionNumber}});
    }
    std::string name =
        FillCoreText(pattern, {{"start", address}, {"count", std::to_string(quantity)}});
    if (const char* registers = RegisterName(function, start, quantity)) {
        name += ' ';
        name += registers;
    }
    return name;
}

const char* ModbusExceptionName(uint8_t code) {
    switch (code) {
        case 0x01:
            return CoreString(kTextExceptionFunction);
        case 0x02:
            return CoreString(kTextExceptionAddress);
        case 0x03:
            return CoreString(kTextExceptionValue);
        case 0x04:
            return CoreString(kTextExceptionFailure);
        case 0x05:
            return CoreString(kTextExceptionAcknowledge);
        case 0x06:
            return CoreString(kTextExceptionBusy);
        case 0x08:
            return CoreString(kTextExceptionParity);
        case 0x0A:
            return CoreString(kTextExceptionGatewayPath);
        case 0x0B:
            return CoreString(kTextExceptionGatewayTarget);
        default:
            return CoreString(kTextExceptionUnknown);
    }
}

std::string WireVerdictText(ExchangeVerdict verdict, uint8_t exceptionCode, int status) {
    switch (verdict) {
        case ExchangeVerdict::Ok:
            return CoreString(kTextVerdictOk);
        case ExchangeVerdict::Timeout:
            return CoreString(kTextVerdictTimeout);
        case ExchangeVerdict::Short:
            return CoreString(kTextVerdictShort);
        case ExchangeVerdict::CrcError:
            return CoreString(kTextVerdictCrc);
        case ExchangeVerdict::Inconsistent:
            return CoreString(kTextVerdictInconsistent);
        case ExchangeVerdict::Exception: {
            char code[4];
            std::snprintf(code, sizeof code, "%02X", exceptionCode);
            return FillCoreText(kTextVerdictException,
                                {{"code", code}, {"name", ModbusExceptionName(exceptionCode)}});
        }
        case ExchangeVerdict::EchoUndecided:
            return CoreString(kTextVerdictUndecided);
        case ExchangeVerdict::Refused:
            break;
    }
    if (status == kModbusPortClosed) return CoreString(kTextNotSentClosed);
    if (status == kModbusWritesRefused) return CoreString(kTextNotSentEcho);
    if (status == kModbusRequestTooLarge) return CoreString(kTextNotSentTooLarge);
    return CoreString(kTextNotSent);
}

void CountExchange(WireCounters* counters, const ExchangeRecord& record) {
    if (Refused(record)) {
        ++counters->refused;
        return;
    }
    ++counters->sent;
    if (record.echoLength > 0) ++counters->echoes;
    const bool silent =
        record.verdict == ExchangeVerdict::Timeout || record.verdict == ExchangeVerdict::Short;
    counters->silentRun = silent ? counters->silentRun + 1 : 0;
    if (record.verdict == ExchangeVerdict::Ok || record.verdict == ExchangeVerdict::Exception) {
        const int64_t ns = record.durationNs;
        if (counters->answered == 0 || ns < counters->roundTripMinNs) counters->roundTripMinNs = ns;
        if (counters->answered == 0 || ns > counters->roundTripMaxNs) counters->roundTripMaxNs = ns;
        counters->roundTripSumNs += ns;
        ++counters->answered;
    }
    switch (record.verdict) {
        case ExchangeVerdict::Ok:
            ++counters->ok;
            break;
        case ExchangeVerdict::Timeout:
            ++counters->timeout;
            break;
        case ExchangeVerdict::Short:
            ++counters->shortAnswer;
            break;
        case ExchangeVerdict::CrcError:
            ++counters->crcError;
            break;
        case ExchangeVerdict::Inconsistent:
            ++counters->inconsistent;
            break;
        case ExchangeVerdict::Exception:
            ++counters->exception;
            break;
        case ExchangeVerdict::EchoUndecided:
            ++counters->undecided;
            break;
        case ExchangeVerdict::Refused:
            break;
    }
}

// One decimal, as the monitor shows milliseconds elsewhere.
static std::string OneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string FormatWireTimes(const WireCounters& c) {
    if (c.sent == 0) return std::string();
    std::string line;
    if (c.answered > 0) {
        const double answered = static_cast<double>(c.answered);
        line = FillCoreText(
            kTextWireRoundTrips,
            {{"min", OneDecimal(static_cast<double>(c.roundTripMinNs) / 1e6)},
             {"mean", OneDecimal(static_cast<double>(c.roundTripSumNs) / 1e6 / answered)},
             {"max", OneDecimal(static_cast<double>(c.roundTripMaxNs) / 1e6)}});
    }
    const double failed = static_cast<double>(c.sent - c.ok) / static_cast<double>(c.sent);
    return line + FillCoreText(kTextWireErrorRate, {{"rate", OneDecimal(100.0 * failed)}});
}

uint64_t WireFailureCount(const WireCounters& c) {
    return c.timeout + c.shortAnswer + c.crcError + c.inconsistent + c.exception + c.undecided +
           c.refused;
}

std::string FormatWireCounters(const WireCounters& c) {
    std::string line = FillCoreText(
        kTextCountSent, {{"sent", std::to_string(c.sent)}, {"ok", std::to_string(c.ok)}});
    const struct {
        CoreText name;
        uint64_t count;
    } kinds[] = {{kTextVerdictTimeout, c.timeout},   {kTextVerdictShort, c.shortAnswer},
                 {kTextVerdictCrc, c.crcError},      {kTextVerdictInconsistent, c.inconsistent},
                 {kTextCountException, c.exception}, {kTextCountUndecided, c.undecided},
                 {kTextNotSent, c.refused},          {kTextWireEcho, c.echoes}};
    for (const auto& kind : kinds) {
        if (kind.count == 0) continue;
        line += FillCoreText(kTextCountKind, {{"kind", CoreString(kind.name)},
                                              {"count", std::to_string(kind.count)}});
    }
    if (c.silentRun >= kSilentRunHint)
        line += FillCoreText(kTextCountSilentRun, {{"count", std::to_string(c.silentRun)}});
    return line;
}
