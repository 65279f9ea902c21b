// The wire log: rows and names of exchanges, counters, the ring of kept
// exchanges and the trace file.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bounded.h"
#include "exchangering.h"
#include "frames.h"
#include "modbus_rtu.h"
#include "tempdir.h"
#include "wire_log.h"
#include "wiretrace.h"

namespace {

// 2024-03-05 14:07:09.123 UTC; rows show the local time, so the tests run in
// UTC.
constexpr int64_t kWall = 1709647629123000000LL;

class UtcClock : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};
const auto* const kUtc = ::testing::AddGlobalTestEnvironment(new UtcClock);

// An exchange as the session reports it; the bytes live in the struct.
struct Exchange {
    Bytes request;
    Bytes answer;
    ExchangeVerdict verdict = ExchangeVerdict::Ok;
    uint8_t code = 0;
    size_t echo = 0;
    int status = 0;
    int64_t durationNs = 17'900'000;
    Bytes echoBytes{};    // the echo as received, when the port hands it on
    Bytes wireRequest{};  // MBAP frames of a Modbus TCP line
    Bytes wireAnswer{};

    ExchangeRecord Record() const {
        ExchangeRecord r;
        r.request = request.data();
        r.requestLength = request.size();
        r.answer = answer.data();
        r.answerLength = answer.size();
        r.echo = echoBytes.empty() ? nullptr : echoBytes.data();
        r.echoLength = echo;
        if (!wireRequest.empty()) {
            r.wireRequest = wireRequest.data();
            r.wireRequestLength = wireRequest.size();
            r.wireAnswer = wireAnswer.data();
            r.wireAnswerLength = wireAnswer.size();
        }
        r.status = status;
        r.verdict = verdict;
        r.exceptionCode = code;
        r.startWallNs = kWall;
        r.durationNs = durationNs;
        return r;
    }
};

Bytes Cut(Bytes bytes, size_t dropped) {
    bytes.resize(bytes.size() - dropped);
    return bytes;
}

std::vector<std::string> Lines(const ExchangeRecord& record) {
    std::string text;
    AppendWireLines(record, &text);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends in a line feed";
    return lines;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WireLog, ReadOfTheGeneralBlockGivesItsTwoLines) {
    Exchange e{ReadRequest(0x5001, 31), ReadAnswer(Bytes(62, 0))};
    const std::vector<std::string> lines = Lines(e.Record());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "14:07:09.123\t发送\t8\t\t读 0x5001×31 通用参数\t01 03 50 01 00 1F 44 C2");
    // The answer is stamped with its last byte: 17.9 ms after the request.
    EXPECT_EQ(lines[1].substr(0, lines[1].find("\t01 03 3E 00")),
              "14:07:09.140\t接收\t67\t17.9 ms\t正常");
    EXPECT_EQ(FormatWireRow(e.Record(), 1).fields[kWireBytes].size(), 67u * 3 - 1);
}

TEST(WireLog, RequestsAreNamedFromTheRegisterMap) {
    const struct {
        Bytes frame;
        const char* name;
    } cases[] = {
        {ReadRequest(0x500A, 1), "读 0x500A×1 中断事件"},
        {ReadRequest(0x7001, 66), "读 0x7001×66 现场总线参数"},
        {ReadRequest(0x1001, 72), "读 0x1001×72 输出数据"},
        {ReadRequest(0x5004, 1), "读 0x5004×1 通用参数"},
        {ReadRequest(0x7043, 3), "读 0x7043×3 网络时间"},
        {ReadRequest(0x9000, 2), "读 0x9000×2"},
        {WriteOne(0x5001, 3), "写 0x5001 设备模式"},
        {WriteOne(0x7004, 0x12), "写 0x7004 节点地址"},
        {WriteMany(0x0001, Bytes(16, 0xAA)), "写 0x0001×8 输入数据"},
        {WriteMany(0x6001, {0, 8, 0, 8}), "写 0x6001×2 I/O 长度"},
        {WriteMany(0x700B, Bytes(44, 0)), "写 0x700B×22 设备信息"},
        {WithCrc({1, 4, 0x10, 0x01, 0, 2}), "读输入 0x1001×2 输出数据"},
        {WithCrc({1, 43, 14, 1, 0}), "功能 43"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WireRequestName(c.frame.data(), c.frame.size()), c.name) << c.name;
}

TEST(WireLog, EachVerdictHasItsText) {
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Ok, 0, 0), "正常");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Timeout, 0, 0), "超时");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Short, 0, 0), "不完整");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::CrcError, 0, 0), "CRC 错误");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Inconsistent, 0, 0), "数据不一致");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 1, 0), "异常响应 01 非法功能");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 2, 0), "异常响应 02 非法数据地址");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 3, 0), "异常响应 03 非法数据值");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 4, 0), "异常响应 04 从站设备故障");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Exception, 0x7F, 0), "异常响应 7F 未知异常");
    EXPECT_EQ(WireVerdictText(ExchangeVerdict::Refused, 0, kModbusPortClosed),
              "未发送：串口未打开");
}

TEST(WireLog, TimeoutEchoAndRefusalRows) {
    Exchange silent{ReadRequest(0x500A, 1), {}, ExchangeVerdict::Timeout};
    silent.durationNs = 117'000'000;
    std::vector<std::string> lines = Lines(silent.Record());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "14:07:09.240\t接收\t0\t117.0 ms\t超时\t");
    EXPECT_TRUE(FormatWireRow(silent.Record(), 1).failed);

    // An RS-485 adapter that hears itself: the echo is the request's bytes.
    Exchange echoed{WriteOne(0x5001, 3), WriteOne(0x5001, 3)};
    echoed.echo = 8;
    lines = Lines(echoed.Record());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "14:07:09.123\t回显\t8\t\t本地回显（已滤除）\t01 06 50 01 00 03 89 0B");
    EXPECT_EQ(FormatWireRow(echoed.Record(), 2).fields[kWireDirection], "接收");

    Exchange refused{{}, {}, ExchangeVerdict::Refused};
    refused.status = kModbusPortClosed;
    lines = Lines(refused.Record());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "14:07:09.123\t发送\t0\t\t未发送：串口未打开\t");
}

// A write whose only answer was its own copy, and one the port refused
// because the line echoes against echo=1.
TEST(WireLog, UndecidedAndRefusedWritesSayWhy) {
    Exchange undecided{WriteOne(0x5001, 3), {}, ExchangeVerdict::EchoUndecided};
    undecided.echo = 8;
    std::vector<std::string> lines = Lines(undecided.Record());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "14:07:09.123\t回显\t8\t\t回显或模块的回答（无法区分）\t01 06 50 01 00 03 89 0B");
    EXPECT_EQ(lines[2], "14:07:09.140\t接收\t0\t17.9 ms\t无法与回显区分\t");
    Exchange refused{{}, {}, ExchangeVerdict::Refused, 0, 0, kModbusWritesRefused};
    EXPECT_EQ(Lines(refused.Record()),
              std::vector<std::string>{
                  "14:07:09.123\t发送\t0\t\t未发送：线路有回显，但回显设置为“从不”\t"});
    WireCounters counters;
    CountExchange(&counters, undecided.Record());
    EXPECT_EQ(FormatWireCounters(counters), "发送 1 帧，正常 0，无法区分 1，回显 1");
    EXPECT_EQ(WireFailureCount(counters), 1u);
}

// On a Modbus TCP line the rows carry the MBAP frames, kept by the ring too;
// the note still names the register request.
TEST(WireLog, ModbusTcpRowsShowTheFramesThatCrossedTheNetwork) {
    Exchange e{ReadRequest(0x500A, 1), ReadAnswer({0, 9})};
    e.wireRequest = {0, 7, 0, 0, 0, 6, 1, 3, 0x50, 0x0A, 0, 1};
    e.wireAnswer = {0, 7, 0, 0, 0, 5, 1, 3, 2, 0, 9};
    ExchangeRing ring(2);
    ring.Push(e.Record());
    const ExchangeRecord kept = ring.At(0);
    for (const ExchangeRecord& record : {e.Record(), kept}) {
        const std::vector<std::string> lines = Lines(record);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0],
                  "14:07:09.123\t发送\t12\t\t读 0x500A×1 中断事件\t00 07 00 00 00 06 01 03 "
                  "50 0A 00 01");
        EXPECT_EQ(lines[1],
                  "14:07:09.140\t接收\t11\t17.9 ms\t正常\t00 07 00 00 00 05 01 03 02 00 09");
    }
}

TEST(WireLog, CountersCountEachKindAndNameOnlyThoseThatOccurred) {
    WireCounters counters;
    EXPECT_EQ(FormatWireCounters(counters), "发送 0 帧，正常 0");
    const Bytes read = ReadRequest(0x500A, 1);
    const std::vector<Exchange> exchanges = {
        {read, ReadAnswer({0, 0})},
        {read, ReadAnswer({0, 0})},
        {read, {}, ExchangeVerdict::Timeout},
        {read, {1, 3}, ExchangeVerdict::Short},
        {read, {1, 3, 2, 0, 0, 0, 0}, ExchangeVerdict::CrcError},
        {read, ExceptionAnswer(3, 2), ExchangeVerdict::Exception, 2},
        {read, ExceptionAnswer(3, 4), ExchangeVerdict::Exception, 4},
        {read, WithCrc({2, 3, 2, 0, 0}), ExchangeVerdict::Inconsistent},
        {{}, {}, ExchangeVerdict::Refused, 0, 0, kModbusPortClosed},
    };
    for (const Exchange& e : exchanges) CountExchange(&counters, e.Record());
    EXPECT_EQ(counters.sent, 8u);
    EXPECT_EQ(WireFailureCount(counters), 7u);
    EXPECT_EQ(
        FormatWireCounters(counters),
        "发送 8 帧，正常 2，超时 1，不完整 1，CRC 错误 1，数据不一致 1，异常响应 2，未发送 1");
}

// Round trips count only exchanges that got an answer; the error rate is of
// the frames sent, whatever went wrong.
TEST(WireLog, TimesLineGivesRoundTripsOfAnswersAndTheErrorRate) {
    WireCounters counters;
    EXPECT_EQ(FormatWireTimes(counters), "");
    const Bytes read = ReadRequest(0x500A, 1);
    const std::vector<Exchange> exchanges = {
        {read, ReadAnswer({0, 0}), ExchangeVerdict::Ok, 0, 0, 0, 6'000'000},
        {read, {}, ExchangeVerdict::Timeout, 0, 0, 0, 117'000'000},
        {read, ExceptionAnswer(3, 2), ExchangeVerdict::Exception, 2, 0, 0, 4'000'000},
        {read, ReadAnswer({0, 0}), ExchangeVerdict::Ok, 0, 0, 0, 2'000'000},
        {{}, {}, ExchangeVerdict::Refused, 0, 0, kModbusPortClosed, 0},
    };
    CountExchange(&counters, exchanges[1].Record());
    EXPECT_EQ(FormatWireTimes(counters), "错误率 100.0%");
    for (const Exchange& e : exchanges) CountExchange(&counters, e.Record());
    EXPECT_EQ(FormatWireTimes(counters), "往返 最短 2.0 / 平均 4.0 / 最长 6.0 ms，错误率 60.0%");
}

// A run of silence or cut answers points at the line settings and the search;
// one answer ends the run, a request that never went out does not.
TEST(WireLog, ARunOfTimeoutsSaysWhatToCheck) {
    const Bytes read = ReadRequest(0x500A, 1);
    const Exchange silent{read, {}, ExchangeVerdict::Timeout};
    const Exchange cut{read, {1, 3}, ExchangeVerdict::Short};
    const Exchange refused{{}, {}, ExchangeVerdict::Refused, 0, 0, kModbusPortClosed};
    WireCounters counters;
    for (const Exchange* e : {&silent, &cut, &refused}) CountExchange(&counters, e->Record());
    EXPECT_EQ(FormatWireCounters(counters), "发送 2 帧，正常 0，超时 1，不完整 1，未发送 1");
    CountExchange(&counters, silent.Record());
    EXPECT_EQ(FormatWireCounters(counters),
              "发送 3 帧，正常 0，超时 2，不完整 1，未发送 1\n"
              "连续 3 次超时或不完整：请检查线路设置，或按\"搜索模块...\"");
    CountExchange(&counters, Exchange{read, ReadAnswer({0, 0})}.Record());
    EXPECT_EQ(FormatWireCounters(counters).find("连续"), std::string::npos);
}

TEST(ExchangeRingTest, KeepsTheLastExchangesAndAddressesTheirRows) {
    ExchangeRing ring(4);
    // Exchange k answers with the byte k; every third one is refused (one row)
    // and every fourth has an echo (three rows).
    auto push = [&ring](uint8_t k) {
        Exchange e{ReadRequest(0x500A, 1), {k}, ExchangeVerdict::Short};
        if (k % 3 == 0) e = Exchange{{}, {k}, ExchangeVerdict::Refused, 0, 0, kModbusPortClosed};
        if (k % 4 == 0) e.echo = 8;
        ring.Push(e.Record());
    };
    for (uint8_t k = 1; k <= 6; ++k) push(k);
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_EQ(ring.At(0).answer[0], 3);
    EXPECT_EQ(ring.At(3).answer[0], 6);
    // Rows of exchanges 3..6: 1 + 3 + 2 + 1.
    EXPECT_EQ(ring.RowCount(), 7u);
    EXPECT_EQ(ring.RowsOfFirst(2), 4u);
    const int parts[] = {0, 0, 1, 2, 0, 1, 0};
    const size_t owners[] = {0, 1, 1, 1, 2, 2, 3};
    for (size_t row = 0; row < 7; ++row) {
        int part = -1;
        EXPECT_EQ(ring.ExchangeOfRow(row, &part), owners[row]) << row;
        EXPECT_EQ(part, parts[row]) << row;
    }
    // The echo's own bytes are kept with the exchange.
    Exchange echoed{WriteOne(0x5001, 3), WriteOne(0x5001, 3)};
    echoed.echoBytes = Cut(WriteOne(0x5001, 3), 1);
    echoed.echo = echoed.echoBytes.size();
    ring.Push(echoed.Record());
    const ExchangeRecord kept = ring.At(3);
    EXPECT_EQ(Bytes(kept.echo, kept.echo + kept.echoLength), echoed.echoBytes);
    EXPECT_EQ(Bytes(kept.answer, kept.answer + kept.answerLength), echoed.answer);
    EXPECT_EQ(FormatWireField(kept, 1, kWireBytes), "01 06 50 01 00 03 89");
    ring.DropFront(3);
    EXPECT_EQ(ring.RowCount(), 3u);
    ring.Clear();
    EXPECT_TRUE(ring.empty());
    EXPECT_EQ(ring.RowCount(), 0u);
}

TEST(WireTraceTest, AppendsEveryExchangeFlushedAtOnce) {
    TempDir dir;
    const std::string path = dir.file("trace.txt");
    std::ofstream(path) << "earlier run\n";

    WireTrace trace;
    ASSERT_EQ(trace.Open(path, "Quillon"), 0);
    const Exchange e{ReadRequest(0x5001, 31), ReadAnswer(Bytes(62, 0))};
    trace.OnExchange(e.Record());
    // Read while the trace is still open: nothing waits in a buffer.
    const std::string text = ReadFile(path);
    std::string expected;
    AppendWireLines(e.Record(), &expected);
    EXPECT_EQ(text.rfind("earlier run\n# Quillon 开始跟踪 ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
}

TEST(WireTraceTest, UnwritableFilesAreRefusedWithTheirError) {
    WireTrace trace;
    EXPECT_EQ(trace.Open("/nonexistent-quillon-dir/trace.txt", "Quillon"), ENOENT);
    EXPECT_FALSE(trace.IsOpen());
    TempDir dir;
    EXPECT_EQ(trace.Open(dir.path(), "Quillon"), EISDIR);
    // Opens, but takes no data: told at start, not at the first exchange.
    signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int full = trace.Open(dir.file("full.txt"), "Quillon");
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_EQ(full, EFBIG);
    EXPECT_FALSE(trace.IsOpen());
    trace.OnExchange(Exchange{ReadRequest(0x500A, 1), {}}.Record());
}

// A device (the module's own line, /dev/full) would take the text as data,
// a FIFO would block: refused by what they are, also behind a link.
TEST(WireTraceTest, OnlyARegularFileIsTaken) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/full", dir.file("device").c_str()), 0);
    for (const auto& entry : {std::pair{fifo, FileKind::Fifo},
                              std::pair{std::string("/dev/full"), FileKind::CharDevice},
                              std::pair{dir.file("device"), FileKind::CharDevice}}) {
        const std::string& path = entry.first;
        const FileKind kind = entry.second;
        EXPECT_EQ(RunBounded([&path, kind] {
                      WireTrace trace;
                      FileKind found = FileKind::Missing;
                      return trace.Open(path, "Quillon", &found) == EINVAL && found == kind;
                  }),
                  0)
            << path;
    }
}

}  // namespace
