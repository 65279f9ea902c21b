#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange_record.h"

// The text of the wire monitor and of the trace file. Every exchange becomes
// one row per frame: the request, the local echo when the port dropped one,
// and the answer (also when nothing came back). All text is UTF-8.

enum class WireRowKind { Request, Echo, Answer };

// Fields of a row, in the order of the monitor's columns and of a text line.
enum WireColumn : int {
    kWireTime = 0,   // hh:mm:ss.mmm, local wall clock
    kWireDirection,  // "发送", "回显", "接收"
    kWireCount,      // number of bytes
    kWireElapsed,    // answers: from the request to the last byte, "17.9 ms"
    kWireNote,       // requests: the registers addressed; answers: the verdict
    kWireBytes,      // "01 03 50 01 00 1F 94 D2"
    kWireColumnCount
};

// The heading of a column (a WireColumn), in CurrentTextLanguage().
const char* WireColumnTitle(int column);

struct WireRow {
    WireRowKind kind = WireRowKind::Request;
    // An answer other than 正常, or a request that was never sent.
    bool failed = false;
    std::string fields[kWireColumnCount];
};

// Rows of an exchange: 1 when the request was refused (nothing went out),
// otherwise 2, or 3 with a local echo.
int WireRowCount(const ExchangeRecord& record);
// Row `part` (0 .. WireRowCount - 1) of the exchange.
WireRow FormatWireRow(const ExchangeRecord& record, int part);
// The same piecemeal, for views that ask for one cell at a time.
WireRowKind WireRowKindOf(const ExchangeRecord& record, int part);
bool WireRowFailed(const ExchangeRecord& record, int part);
std::string FormatWireField(const ExchangeRecord& record, int part, int column);
// The fields joined by tabs, without a line end.
std::string WireRowLine(const WireRow& row);
// Every row of the exchange as a text line ending in '\n', appended to *out.
void AppendWireLines(const ExchangeRecord& record, std::string* out);

// What a request addresses, from its frame: "读 0x5001×31 通用参数",
// "写 0x5001 设备模式", "写 0x0001×8 输入数据". The name is left out where the
// register map has none.
std::string WireRequestName(const uint8_t* frame, size_t length);
// "正常", "超时", "不完整", "CRC 错误", "数据不一致", "异常响应 02 非法数据地址",
// or for a refused request "未发送：串口未打开" and the like.
std::string WireVerdictText(ExchangeVerdict verdict, uint8_t exceptionCode, int status);
// Standard name of a Modbus exception code; "未知异常" for other codes.
const char* ModbusExceptionName(uint8_t code);

// Running totals of a monitor or a trace.
struct WireCounters {
    uint64_t sent = 0;  // requests that went out
    uint64_t ok = 0;
    uint64_t timeout = 0;
    uint64_t shortAnswer = 0;
    uint64_t crcError = 0;
    uint64_t inconsistent = 0;
    uint64_t exception = 0;
    uint64_t undecided = 0;  // a write's copy that may have been its answer
    uint64_t refused = 0;    // requests never sent
    uint64_t echoes = 0;     // exchanges whose request came back as local echo
    // Time-outs and incomplete answers in a row up to the last exchange sent.
    uint64_t silentRun = 0;
    // Round trips of the exchanges that got an answer (accepted or an
    // exception), from the request's first byte to the answer's last.
    uint64_t answered = 0;
    int64_t roundTripMinNs = 0;
    int64_t roundTripMaxNs = 0;
    int64_t roundTripSumNs = 0;
};

// From this many time-outs or incomplete answers in a row on, the line is
// more likely set differently from the module than disturbed: the counters
// line then says what to check.
constexpr uint64_t kSilentRunHint = 3;

void CountExchange(WireCounters* counters, const ExchangeRecord& record);

// The round trips (shortest, mean, longest, in ms) and the share of frames
// sent that were not accepted: "往返 最短 2.1 / 平均 2.4 / 最长 9.8 ms，错误率
// 1.5%"; empty before the first frame.
std::string FormatWireTimes(const WireCounters& counters);
uint64_t WireFailureCount(const WireCounters& counters);
// One line: "发送 120 帧，正常 117，超时 2，异常响应 1". Failure kinds that did
// not occur are left out. While a run of kSilentRunHint or more time-outs or
// incomplete answers lasts, a second line says what to check:
// "连续 3 次超时或不完整：请检查线路设置，或按"搜索模块..."".
std::string FormatWireCounters(const WireCounters& counters);
