#include "wire_log.h"

#include <time.h>

#include <cinttypes>
#include <cstdio>

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
    const char* name;
};

const NamedRequest kNamedRequests[] = {
    {kReadHolding, reg::kGeneralBlock, reg::kGeneralBlockCount, "通用参数"},
    {kReadHolding, reg::kModuleType, reg::kModuleTypeCount, "模块类型"},
    {kReadHolding, reg::kInterruptEvents, 1, "中断事件"},
    {kReadHolding, reg::kIoBlock, reg::kIoBlockCount, "I/O 参数"},
    {kReadHolding, reg::kChangeField, reg::kChangeFieldCount, "输入数据变化"},
    {kReadHolding, reg::kFieldbusBlock, reg::kFieldbusBlockCount, "现场总线参数"},
    {kReadHolding, reg::kErrorMessage, reg::kErrorMessageCount, "错误信息"},
    {kReadHolding, reg::kNetworkTime, reg::kNetworkTimeCount, "网络时间"},
    {kWriteSingle, reg::kDeviceMode, 0, "设备模式"},
    {kWriteSingle, reg::kInterruptMask, 0, "中断屏蔽"},
    {kWriteSingle, reg::kUartSettings, 0, "UART 设置"},
    {kWriteSingle, reg::kPassword, 0, "现场总线密码"},
    {kWriteSingle, reg::kNodeAddress, 0, "节点地址"},
    {kWriteSingle, reg::kNodeBaudRate, 0, "节点波特率"},
    {kWriteMultiple, reg::kSwitchCoding, reg::kSwitchCodingCount,
     "编码方式、离线与空闲动作、中断屏蔽"},
    {kWriteMultiple, reg::kInterface, reg::kInterfaceCount, "应用接口、SPI、UART 与 Modbus 地址"},
    {kWriteMultiple, reg::kWatchdog, reg::kWatchdogCount, "看门狗时间与故障值"},
    {kWriteMultiple, reg::kIoLengths, reg::kIoLengthsCount, "I/O 长度"},
    {kWriteMultiple, reg::kDeviceInfo, reg::kDeviceInfoCount, "设备信息"},
    {kWriteMultiple, reg::kEmergency, reg::kEmergencyCount, "紧急报文"},
};

// Any other request is named after the area its first register lies in.
struct RegisterArea {
    uint16_t first;
    uint16_t last;
    const char* name;
};

const RegisterArea kAreas[] = {
    {reg::kInputData, reg::kInputData + kIoAreaSize / 2 - 1, "输入数据"},
    {reg::kOutputData, reg::kOutputData + kIoAreaSize / 2 - 1, "输出数据"},
    {reg::kGeneralBlock, reg::kGeneralBlock + reg::kGeneralBlockCount - 1, "通用参数"},
    {reg::kIoBlock, reg::kIoBlock + reg::kIoBlockCount - 1, "I/O 参数"},
    {reg::kFieldbusBlock, reg::kFieldbusBlock + reg::kFieldbusBlockCount - 1, "现场总线参数"},
    {reg::kNetworkTime, reg::kNetworkTime + reg::kNetworkTimeCount - 1, "网络时间"},
};

const char* RegisterName(uint8_t function, uint16_t start, uint16_t quantity) {
    for (const NamedRequest& r : kNamedRequests) {
        if (r.function == function && r.start == start &&
            (r.quantity == 0 || r.quantity == quantity))
            return r.name;
    }
    for (const RegisterArea& a : kAreas) {
        if (start >= a.first && start <= a.last) return a.name;
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
            return "发送";
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
            return "回显";
        case kWireCount:
            return std::to_string(record.echoLength);
        case kWireNote:
            if (record.verdict == ExchangeVerdict::EchoUndecided)
                return "回显或模块的回答（无法区分）";
            return "本地回显（已滤除）";
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
            return "接收";
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

const char* const kWireColumnTitles[kWireColumnCount] = {"时间", "方向", "字节",
                                                         "耗时", "说明", "数据"};

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
    char text[64];
    if (length < 6) {
        std::snprintf(text, sizeof text, "功能 %u", function);
        return text;
    }
    const uint16_t start = WordAt(frame + 2);
    const uint16_t quantity = WordAt(frame + 4);
    switch (function) {
        case kReadHolding:
            std::snprintf(text, sizeof text, "读 0x%04X×%u", start, quantity);
            break;
        case kReadInput:
            std::snprintf(text, sizeof text, "读输入 0x%04X×%u", start, quantity);
            break;
        case kWriteSingle:
            std::snprintf(text, sizeof text, "写 0x%04X", start);
            break;
        case kWriteMultiple:
            std::snprintf(text, sizeof text, "写 0x%04X×%u", start, quantity);
            break;
        default:
            std::snprintf(text, sizeof text, "功能 %u", function);
            return text;
    }
    std::string name = text;
    if (const char* registers = RegisterName(function, start, quantity)) {
        name += ' ';
        name += registers;
    }
    return name;
}

const char* ModbusExceptionName(uint8_t code) {
    switch (code) {
        case 0x01:
            return "非法功能";
        case 0x02:
            return "非法数据地址";
        case 0x03:
            return "非法数据值";
        case 0x04:
            return "从站设备故障";
        case 0x05:
            return "确认";
        case 0x06:
            return "从站设备忙";
        case 0x08:
            return "存储奇偶性差错";
        case 0x0A:
            return "不可用网关路径";
        case 0x0B:
            return "网关目标设备响应失败";
        default:
            return "未知异常";
    }
}

std::string WireVerdictText(ExchangeVerdict verdict, uint8_t exceptionCode, int status) {
    switch (verdict) {
        case ExchangeVerdict::Ok:
            return "正常";
        case ExchangeVerdict::Timeout:
            return "超时";
        case ExchangeVerdict::Short:
            return "不完整";
        case ExchangeVerdict::CrcError:
            return "CRC 错误";
        case ExchangeVerdict::Inconsistent:
            return "数据不一致";
        case ExchangeVerdict::Exception: {
            char text[80];
            std::snprintf(text, sizeof text, "异常响应 %02X %s", exceptionCode,
                          ModbusExceptionName(exceptionCode));
            return text;
        }
        case ExchangeVerdict::EchoUndecided:
            return "无法与回显区分";
        case ExchangeVerdict::Refused:
            break;
    }
    if (status == kModbusPortClosed) return "未发送：串口未打开";
    if (status == kModbusWritesRefused) return "未发送：线路有回显，但回显设置为“从不”";
    if (status == kModbusRequestTooLarge) return "未发送：请求过长";
    return "未发送";
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

std::string FormatWireTimes(const WireCounters& c) {
    if (c.sent == 0) return std::string();
    char text[128];
    std::string line;
    if (c.answered > 0) {
        std::snprintf(text, sizeof text, "往返 最短 %.1f / 平均 %.1f / 最长 %.1f ms，",
                      static_cast<double>(c.roundTripMinNs) / 1e6,
                      static_cast<double>(c.roundTripSumNs) / 1e6 / static_cast<double>(c.answered),
                      static_cast<double>(c.roundTripMaxNs) / 1e6);
        line = text;
    }
    std::snprintf(text, sizeof text, "错误率 %.1f%%",
                  100.0 * static_cast<double>(c.sent - c.ok) / static_cast<double>(c.sent));
    return line + text;
}

uint64_t WireFailureCount(const WireCounters& c) {
    return c.timeout + c.shortAnswer + c.crcError + c.inconsistent + c.exception + c.undecided +
           c.refused;
}

std::string FormatWireCounters(const WireCounters& c) {
    char text[64];
    std::snprintf(text, sizeof text, "发送 %" PRIu64 " 帧，正常 %" PRIu64, c.sent, c.ok);
    std::string line = text;
    const struct {
        const char* name;
        uint64_t count;
    } kinds[] = {{"超时", c.timeout},       {"不完整", c.shortAnswer},
                 {"CRC 错误", c.crcError},  {"数据不一致", c.inconsistent},
                 {"异常响应", c.exception}, {"无法区分", c.undecided},
                 {"未发送", c.refused},     {"回显", c.echoes}};
    for (const auto& kind : kinds) {
        if (kind.count == 0) continue;
        std::snprintf(text, sizeof text, "，%s %" PRIu64, kind.name, kind.count);
        line += text;
    }
    if (c.silentRun >= kSilentRunHint) {
        std::snprintf(text, sizeof text, "\n连续 %" PRIu64 " 次", c.silentRun);
        line += std::string(text) + "超时或不完整：请检查线路设置，或按\"搜索模块...\"";
    }
    return line;
}
