// The wire monitor against a scripted slave: verdict texts, batches, pause,
// the bounded ring, following the newest row, copy and save; and the
// programs' --trace option.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <csignal>

#include "cserialport.h"
#include "exchangering.h"
#include "frames.h"
#include "messagerecorder.h"
#include "modulesession.h"
#include "scriptedslave.h"
#include "tempdir.h"
#include "trace_option.h"
#include "wiremonitor.h"
#include "wiremonitormodel.h"
#include "wiretrace.h"

// Readable failures.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

Bytes Cut(Bytes bytes, size_t dropped) {
    bytes.resize(bytes.size() - dropped);
    return bytes;
}

Bytes Damaged(Bytes bytes) {
    bytes.back() ^= 0xFF;
    return bytes;
}

class WireMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_slave.Start());
        ASSERT_EQ(m_port.OpenDevice(m_slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        m_monitor.Attach(&m_session);
    }

    // One event-word read (0x500A) answered with `answer`.
    void ReadEvents(Bytes answer) {
        if (!answer.empty()) m_slave.Queue(std::move(answer));
        uint16_t word = 0;
        m_session.ReadEvents(&word);
    }
    QString Cell(int row, int column) const {
        return m_monitor.model()->index(row, column).data().toString();
    }
    int Rows() const { return m_monitor.model()->rowCount(); }

    ScriptedSlave m_slave;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    WireMonitor m_monitor;
    MessageRecorder m_messages;
};

TEST_F(WireMonitorTest, EveryFaultKindShowsItsVerdict) {
    const Bytes good = ReadAnswer({0, 0});
    const struct {
        Bytes answer;
        const char* verdict;
    } cases[] = {
        {good, "正常"},
        {{}, "超时"},
        {Cut(good, 3), "不完整"},
        {Damaged(good), "CRC 错误"},
        {ExceptionAnswer(3, 1), "异常响应 01 非法功能"},
        {ExceptionAnswer(3, 2), "异常响应 02 非法数据地址"},
        {ExceptionAnswer(3, 3), "异常响应 03 非法数据值"},
        {ExceptionAnswer(3, 4), "异常响应 04 从站设备故障"},
        {WithCrc({2, 3, 2, 0, 0}), "数据不一致"},
    };
    for (const auto& c : cases) {
        ReadEvents(c.answer);
        m_monitor.Flush();
        ASSERT_EQ(Rows() % 2, 0);
        const int request = Rows() - 2;
        EXPECT_EQ(Cell(request, kWireDirection), U("发送")) << c.verdict;
        EXPECT_EQ(Cell(request, kWireNote), U("读 0x500A×1 中断事件")) << c.verdict;
        EXPECT_EQ(Cell(request, kWireBytes), U("01 03 50 0A 00 01 B5 08"));
        EXPECT_EQ(Cell(request + 1, kWireDirection), U("接收")) << c.verdict;
        EXPECT_EQ(Cell(request + 1, kWireNote), U(c.verdict));
        EXPECT_EQ(Cell(request + 1, kWireCount), QString::number(c.answer.size())) << c.verdict;
        EXPECT_TRUE(Cell(request + 1, kWireElapsed).endsWith(" ms")) << c.verdict;
    }
    EXPECT_EQ(m_monitor.counterLine()->text(),
              U("发送 9 帧，正常 1，超时 1，不完整 1，CRC 错误 1，数据不一致 1，异常响应 4"));
}

TEST_F(WireMonitorTest, EchoOfAnRs485AdapterHasARowOfItsOwn) {
    m_slave.SetEcho(true);
    ReadEvents(ReadAnswer({0, 0}));
    m_monitor.Flush();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(1, kWireDirection), U("回显"));
    EXPECT_EQ(Cell(1, kWireBytes), Cell(0, kWireBytes));
    EXPECT_EQ(Cell(2, kWireNote), U("正常"));
    EXPECT_EQ(Cell(2, kWireBytes), U("01 03 02 00 00 B8 44"));
    EXPECT_EQ(m_monitor.counterLine()->text(), U("发送 1 帧，正常 1，回显 1"));
}

TEST_F(WireMonitorTest, RowsComeInBatchesAndPauseKeepsThemOutWhileCountersCount) {
    ReadEvents(ReadAnswer({0, 0}));
    // Not one repaint per frame: the rows wait for the flush timer.
    EXPECT_EQ(Rows(), 0);
    QTest::qWait(WireMonitor::kFlushIntervalMs + 100);
    EXPECT_EQ(Rows(), 2);

    QTest::mouseClick(m_monitor.pauseButton(), Qt::LeftButton);
    EXPECT_EQ(m_monitor.pauseButton()->text(), U("继续"));
    ReadEvents(ReadAnswer({0, 0}));
    ReadEvents(ExceptionAnswer(3, 2));
    QTest::qWait(WireMonitor::kFlushIntervalMs + 100);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(m_monitor.counters().sent, 3u);
    EXPECT_EQ(m_monitor.counterLine()->text(), U("发送 3 帧，正常 2，异常响应 1"));

    QTest::mouseClick(m_monitor.pauseButton(), Qt::LeftButton);
    EXPECT_EQ(m_monitor.pauseButton()->text(), U("暂停"));
    ReadEvents(ReadAnswer({0, 0}));
    m_monitor.Flush();
    EXPECT_EQ(Rows(), 4);

    QTest::mouseClick(m_monitor.clearButton(), Qt::LeftButton);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(m_monitor.counterLine()->text(), U("发送 0 帧，正常 0"));
}

TEST_F(WireMonitorTest, CopyGivesTheSelectedRowsOrAllAndSaveWritesThemAll) {
    // The read goes first: it tells the port the line has no echo, so the
    // write goes out without a probe ahead of it.
    ReadEvents(ExceptionAnswer(3, 2));
    m_slave.Queue(WriteOne(0x5001, 3));
    m_session.WriteDeviceMode(3);
    m_monitor.Flush();
    ASSERT_EQ(Rows(), 4);

    m_monitor.view()->selectRow(3);
    m_monitor.view()->selectionModel()->select(
        m_monitor.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(m_monitor.copyButton(), Qt::LeftButton);
    const QStringList copied = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(copied.size(), 3);  // two lines and the empty rest after the last line end
    EXPECT_EQ(copied[0].section('\t', 1), U("接收\t5\t") + Cell(1, kWireElapsed) +
                                              U("\t异常响应 02 非法数据地址\t01 83 02 C0 F1"));
    EXPECT_EQ(copied[1].section('\t', 1),
              U("接收\t8\t") + Cell(3, kWireElapsed) + U("\t正常\t01 06 50 01 00 03 89 0B"));

    m_monitor.view()->clearSelection();
    const QString all = m_monitor.CopyRows();
    EXPECT_EQ(QApplication::clipboard()->text(), all);
    EXPECT_EQ(all.count('\n'), 4);
    EXPECT_TRUE(all.startsWith(Cell(0, kWireTime) + U("\t发送\t8\t\t读 0x500A×1 中断事件\t")));
    EXPECT_TRUE(all.contains(U("\t发送\t8\t\t写 0x5001 设备模式\t01 06 50 01 00 03 89 0B\n")));

    TempDir dir;
    const QString path = QString::fromStdString(dir.file("rows.txt"));
    ASSERT_TRUE(m_monitor.SaveTo(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), all);
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_FALSE(m_monitor.SaveTo(QString::fromStdString(dir.path())));
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages()[0].startsWith(U("保存通信记录失败")));
}

// Exchanges handed to the panel directly, as fast as it can take them.
class WireMonitorRing : public ::testing::Test {
protected:
    static void Feed(WireMonitor& monitor, int first, int count) {
        for (int k = first; k < first + count; ++k) {
            const Bytes request = WriteOne(0x5001, static_cast<uint16_t>(k));
            ExchangeRecord record;
            record.request = request.data();
            record.requestLength = request.size();
            record.answer = request.data();
            record.answerLength = request.size();
            monitor.OnExchange(record);
        }
    }
    static int ValueOfFirstRow(const WireMonitor& monitor) {
        const ExchangeRecord first = monitor.model()->ring().At(0);
        return first.request[4] << 8 | first.request[5];
    }
};

TEST_F(WireMonitorRing, HoldsTenThousandExchangesAndCountsOn) {
    WireMonitor monitor;
    Feed(monitor, 0, 10005);
    monitor.Flush();
    EXPECT_EQ(monitor.model()->ring().size(), 10000u);
    EXPECT_EQ(monitor.model()->rowCount(), 20000);
    EXPECT_EQ(ValueOfFirstRow(monitor), 5);

    Feed(monitor, 10005, 10);
    monitor.Flush();
    EXPECT_EQ(monitor.model()->rowCount(), 20000);
    EXPECT_EQ(ValueOfFirstRow(monitor), 15);
    EXPECT_EQ(monitor.counters().sent, 10015u);
    EXPECT_EQ(monitor.counters().ok, 10015u);
    EXPECT_EQ(monitor.counterLine()->text(), U("发送 10015 帧，正常 10015"));
}

TEST_F(WireMonitorRing, FollowsNewRowsOnlyFromTheBottom) {
    WireMonitor monitor(nullptr, 100);
    monitor.resize(450, 240);
    monitor.show();
    QScrollBar* bar = monitor.view()->verticalScrollBar();

    Feed(monitor, 0, 40);
    monitor.Flush();
    QApplication::processEvents();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    Feed(monitor, 40, 20);
    monitor.Flush();
    EXPECT_EQ(bar->value(), bar->maximum());

    // Scrolled up: new rows neither move the view nor, when old rows drop at
    // the top, the rows in it.
    bar->setValue(bar->maximum() - 30);
    const QString shown = monitor.model()->RowText(monitor.view()->rowAt(0)).section('\t', 1);
    Feed(monitor, 60, 60);  // 20 exchanges (40 rows) drop
    monitor.Flush();
    QApplication::processEvents();
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_EQ(monitor.model()->RowText(monitor.view()->rowAt(0)).section('\t', 1), shown);
}

TEST(ProgramOptions, TraceTakesAFileAndAnythingElseIsReported) {
    const struct {
        QStringList arguments;
        const char* trace;
        bool error;
    } cases[] = {
        {{"Quillon"}, "", false},
        {{"Quillon", "--trace", "/tmp/t.txt"}, "/tmp/t.txt", false},
        {{"Quillon", "--trace=/tmp/t.txt"}, "/tmp/t.txt", false},
        {{"Quillon", "--trace"}, "", true},
        {{"Quillon", "--frobnicate", "--trace", "a b.txt"}, "a b.txt", true},
        {{"Quillon", "--quit-after", "500", "--trace", "t.txt"}, "t.txt", false},
        {{"Quillon_Simple", "--version"}, "", false},
    };
    for (const auto& c : cases) {
        const ProgramOptions options = ParseProgramOptions(c.arguments);
        EXPECT_EQ(options.tracePath, U(c.trace)) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(!options.error.isEmpty(), c.error) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(options.version, c.arguments.contains(U("--version")));
    }
}

TEST(ProgramOptions, TraceFailuresAreToldOnce) {
    MessageRecorder messages;
    WireTrace trace;
    EXPECT_FALSE(StartTrace(&trace, U("/nonexistent-quillon-dir/t.txt"), U("Quillon")));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(
        messages.messages()[0].startsWith(U("无法写入跟踪文件 /nonexistent-quillon-dir/t.txt：")));
    messages.clear();
    // A device would take the text as data: refused by what it is.
    EXPECT_FALSE(StartTrace(&trace, U("/dev/null"), U("Quillon")));
    EXPECT_EQ(messages.messages(),
              QStringList{U("无法写入跟踪文件 /dev/null：它是字符设备（例如串口），"
                            "不是普通文件。\n程序继续运行，不记录跟踪。")});
    messages.clear();

    // A file that stops taking data after its first line: the write fails
    // inside an exchange, the message waits for the event loop.
    TempDir dir;
    const std::string path = dir.file("t.txt");
    ASSERT_TRUE(StartTrace(&trace, QString::fromStdString(path), U("Quillon")));
    signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Bytes request = ReadRequest(0x5001, 31);
    const Bytes answer = ReadAnswer(Bytes(62, 0));
    ExchangeRecord record;
    record.request = request.data();
    record.requestLength = request.size();
    record.answer = answer.data();
    record.answerLength = answer.size();
    trace.OnExchange(record);
    trace.OnExchange(record);
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_TRUE(messages.messages().isEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].endsWith(U("程序继续运行，不记录跟踪。")));
    EXPECT_FALSE(trace.IsOpen());
}

}  // namespace
