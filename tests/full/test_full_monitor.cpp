// The full edition's wire monitor on the serial page and its --trace file,
// against the module simulator.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "cpropcom.h"
#include "cquillonapp.h"
#include "cquillondlg.h"
#include "full_harness.h"
#include "messagerecorder.h"
#include "modulesimulator.h"
#include "wiremonitor.h"
#include "wiremonitormodel.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

constexpr const char* kGeneralRead = "01 03 50 01 00 1F 44 C2";

QString Cell(WireMonitor* monitor, int row, int column) {
    return monitor->model()->index(row, column).data().toString();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FullMonitor : public FullOnSimulator {};

TEST_F(FullMonitor, SerialPageShowsTheTrafficOfReadConfiguration) {
    CQuillonDlg& dlg = OpenWindow();
    CPropCom* page = dlg.comPage();

    // Below the port controls, filling the rest of the page.
    auto* group = page->findChild<QGroupBox*>(QStringLiteral("wireMonitorGroup"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), U("通信监视"));
    EXPECT_TRUE(group->isAncestorOf(page->monitor()));
    EXPECT_GT(group->y(), page->openButton()->geometry().bottom());
    EXPECT_LE(group->geometry().bottom(), page->height());
    EXPECT_TRUE(page->monitor()->isVisible());

    QTest::mouseClick(page->openButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    ASSERT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(',').toStdString();
    WireMonitor* monitor = page->monitor();
    monitor->Flush();
    ASSERT_EQ(monitor->model()->rowCount(), 6);
    EXPECT_EQ(Cell(monitor, 0, kWireBytes), U(kGeneralRead));
    EXPECT_EQ(Cell(monitor, 0, kWireNote), U("读 0x5001×31 通用参数"));
    EXPECT_EQ(Cell(monitor, 1, kWireNote), U("正常"));
    EXPECT_EQ(Cell(monitor, 1, kWireCount), U("67"));
    EXPECT_EQ(Cell(monitor, 2, kWireNote), U("读 0x6001×11 I/O 参数"));
    EXPECT_EQ(Cell(monitor, 4, kWireNote), U("读 0x7001×66 现场总线参数"));

    // The message says only that the read failed; the monitor says why.
    m_sim.InjectFault(ModuleSimulator::Fault::Exception, 1, 2);
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_EQ(m_messages.messages(), QStringList{U("获取通用参数失败!")});
    monitor->Flush();
    ASSERT_EQ(monitor->model()->rowCount(), 8);
    EXPECT_EQ(Cell(monitor, 7, kWireNote), U("异常响应 02 非法数据地址"));
    EXPECT_EQ(Cell(monitor, 7, kWireBytes), U("01 83 02 C0 F1"));
    EXPECT_EQ(monitor->counterLine()->text(), U("发送 4 帧，正常 3，异常响应 1"));
    dlg.port().Close();
}

// Detached, the monitor is a window of its own that keeps showing the
// traffic; closing it puts the panel back, and config.ini keeps its size and
// place for the next time.
TEST_F(FullMonitor, DetachesIntoAWindowThatRemembersItsSizeAndGoesBack) {
    CQuillonDlg& dlg = OpenWindow();
    WireMonitor* monitor = dlg.comPage()->monitor();
    EXPECT_EQ(monitor->detachButton()->text(), U("分离窗口"));
    QTest::mouseClick(monitor->detachButton(), Qt::LeftButton);
    ASSERT_TRUE(monitor->IsDetached());
    QWidget* window = monitor->detachedWindow();
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), U("通信监视"));
    EXPECT_EQ(window->size(), QSize(1000, 600));
    EXPECT_TRUE(window->isAncestorOf(monitor->view()));

    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    monitor->Flush();
    EXPECT_EQ(monitor->model()->rowCount(), 6);
    EXPECT_TRUE(monitor->view()->isVisible());
    EXPECT_TRUE(monitor->timingLine()->text().endsWith(U("错误率 0.0%")))
        << monitor->timingLine()->text().toStdString();

    window->resize(1300, 650);
    window->close();
    EXPECT_FALSE(monitor->IsDetached());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(monitor->isAncestorOf(monitor->view()));
    EXPECT_EQ(m_folder.IniInt("monitor", "width"), 1300);
    EXPECT_EQ(m_folder.IniInt("monitor", "height"), 650);

    monitor->SetDetached(true);
    EXPECT_EQ(window->size(), QSize(1300, 650));
    QTest::mouseClick(monitor->detachButton(), Qt::LeftButton);
    EXPECT_FALSE(monitor->IsDetached());
    EXPECT_TRUE(m_messages.messages().isEmpty());
    dlg.port().Close();
}

// The module search runs on a port of its own, but the monitor sees its tries.
TEST_F(FullMonitor, ShowsTheTriesOfTheModuleSearch) {
    CQuillonDlg& dlg = OpenWindow();
    QTest::mouseClick(dlg.comPage()->searchButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages()[0].startsWith(U("找到模块: 串口 1 ")))
        << m_messages.messages()[0].toStdString();
    WireMonitor* monitor = dlg.comPage()->monitor();
    monitor->Flush();
    ASSERT_EQ(monitor->model()->rowCount(), 2);
    EXPECT_EQ(Cell(monitor, 0, kWireDirection), U("发送"));
    EXPECT_EQ(Cell(monitor, 1, kWireNote), U("正常"));
    EXPECT_EQ(monitor->counters().sent, m_sim.RequestCount());
}

// Runs the application with --trace `path`: opens port 1 (the simulator),
// reads the configuration and closes the window. Returns the messages shown
// and the rows the monitor held.
struct TracedRun {
    QStringList messages;
    int monitorRows = 0;
};

TracedRun RunWithTrace(const ProgramFolder& folder, const std::string& path) {
    TracedRun run;
    bool scheduled = false;
    SetMessageSink([&](QWidget*, const QString& text) {
        run.messages.append(text);
        if (scheduled) return;
        scheduled = true;
        QTimer::singleShot(0, [&run] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dlg = qobject_cast<CQuillonDlg*>(w);
                if (dlg == nullptr || !dlg->isVisible()) continue;
                QTest::mouseClick(dlg->comPage()->openButton(), Qt::LeftButton);
                QTest::mouseClick(dlg->readButton(), Qt::LeftButton);
                dlg->comPage()->monitor()->Flush();
                run.monitorRows = dlg->comPage()->monitor()->model()->rowCount();
                dlg->close();
            }
        });
    });
    CQuillonApp app(folder.path());
    app.SetTracePath(path);
    app.Run();
    SetMessageSink({});
    return run;
}

TEST_F(FullMonitor, TraceFileHoldsTheFramesOfReadConfiguration) {
    const std::string path = m_folder.path() + "/trace.txt";

    const TracedRun run = RunWithTrace(m_folder, path);
    EXPECT_EQ(run.messages, QStringList{U("请先阅读提供的用户手册及相关文档，再使用本模块！")});
    EXPECT_EQ(run.monitorRows, 6);

    const std::string text = ReadFile(path);
    const QStringList lines = QString::fromStdString(text).split('\n');
    ASSERT_EQ(lines.size(), 8) << text;  // start line, six rows, empty rest
    EXPECT_TRUE(lines[0].startsWith(U("# Quillon 开始跟踪 ")));
    EXPECT_EQ(lines[1].section('\t', 1), U("发送\t8\t\t读 0x5001×31 通用参数\t") + kGeneralRead);
    const QStringList answer = lines[2].split('\t');
    ASSERT_EQ(answer.size(), kWireColumnCount);
    EXPECT_EQ(answer[kWireDirection], U("接收"));
    EXPECT_EQ(answer[kWireCount], U("67"));
    EXPECT_EQ(answer[kWireNote], U("正常"));
    EXPECT_TRUE(answer[kWireBytes].startsWith(U("01 03 3E "))) << answer[kWireBytes].toStdString();
    EXPECT_EQ(answer[kWireBytes].size(), 67 * 3 - 1);
    EXPECT_TRUE(lines[7].isEmpty());

    // A second run appends.
    RunWithTrace(m_folder, path);
    EXPECT_EQ(QString::fromStdString(ReadFile(path)).count(U("开始跟踪")), 2);
}

TEST_F(FullMonitor, UnwritableTraceIsToldOnceAndTheProgramStillWorks) {
    const TracedRun run = RunWithTrace(m_folder, "/nonexistent-quillon-dir/trace.txt");
    ASSERT_EQ(run.messages.size(), 2) << run.messages.join('|').toStdString();
    EXPECT_TRUE(
        run.messages[1].startsWith(U("无法写入跟踪文件 /nonexistent-quillon-dir/trace.txt：")))
        << run.messages[1].toStdString();
    EXPECT_TRUE(run.messages[1].endsWith(U("程序继续运行，不记录跟踪。")));
    // The read went through: no failure message, and the monitor saw it.
    EXPECT_EQ(run.monitorRows, 6);
    EXPECT_EQ(m_sim.RequestCount(), 3u);
}

}  // namespace
