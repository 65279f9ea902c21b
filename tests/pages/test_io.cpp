// The I/O page against the module simulator on a pseudo-terminal: frames on
// the wire, what the grids and boxes show, messages, timers and config.ini.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cbuttonex.h"
#include "cpropio.h"
#include "cserialport.h"
#include "frames.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "messages.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "modulewait.h"
#include "mycug.h"
#include "programfolder.h"

namespace {

using Fault = ModuleSimulator::Fault;

// Function 16 at 0x0001 (input data) with the given data bytes (wire order).
Bytes WriteFrame(const Bytes& wireData) {
    return WriteMany(0x0001, wireData);
}

template <typename T>
T* Child(QWidget* page, const char* name) {
    T* child = page->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

class IoPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        // A pseudo-terminal straight to the module: no adapter echoes here.
        // The read that goes before the first write on a fresh port is made
        // here, so that each test's requests are its own.
        m_port.SetEchoMode(CSerialPort::EchoMode::Never);
        ASSERT_EQ(m_port.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0), 0);
        ASSERT_EQ(m_session.ReadModuleType(nullptr), kModuleOk);
        m_sim.ClearRequests();
    }

    CPropIo& MakePage(CPropIo::Edition edition = CPropIo::FullEdition) {
        m_page = std::make_unique<CPropIo>(edition);
        m_page->SetPointers(&m_folder.ini(), &m_session, &m_worker);
        m_page->Initialise();
        m_page->show();
        return *m_page;
    }

    QLineEdit* Box(const char* name) { return Child<QLineEdit>(m_page.get(), name); }
    QPushButton* Button(const char* name) { return Child<QPushButton>(m_page.get(), name); }
    QCheckBox* Check(const char* name) { return Child<QCheckBox>(m_page.get(), name); }
    QRadioButton* Radio(const char* name) { return Child<QRadioButton>(m_page.get(), name); }
    QTimer* Timer(const char* name) { return Child<QTimer>(m_page.get(), name); }
    void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        WaitForModuleIdle(&m_worker);
    }

    // Types a length into the box and takes the boxes, as a modify would.
    void TypeLengths(int input, int output) {
        Box("inputLengthBox")->setText(QString::number(input));
        Box("outputLengthBox")->setText(QString::number(output));
        ASSERT_TRUE(m_page->TakeBoxes());
    }

    Bytes LastRequest() const {
        const auto requests = m_sim.Requests();
        return requests.empty() ? Bytes() : requests.back();
    }

    // The value as it stands in the file (reading would drop the trailing
    // space of a hex list).
    std::string IniValue(const char* key) const { return m_folder.IniRaw("ioprm", key); }

    QStringList GridRow(MyCug* grid, int row) const {
        QStringList cells;
        for (int c = 0; c < 8; ++c) cells << grid->CellText(row, c);
        return cells;
    }

    ProgramFolder m_folder;
    ModuleSimulator m_sim;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    MessageRecorder m_messages;
    std::unique_ptr<CPropIo> m_page;
    // Goes first: its exchange uses the page's poller.
    ModuleWorker m_worker{nullptr};
};

// ---------------------------------------------------------------------------
// Controls

TEST_F(IoPageTest, FullEditionControlsAndLayout) {
    CPropIo& page = MakePage();
    EXPECT_EQ(page.size(), QSize(470, 470));
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"输入I/O长度:", "输出I/O长度:", "中断事件:", "ms",
                             "输入:", "输出:", "I/O变化指示区(每个位反映输入数据区的8个字节):"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(labels.count("(dec)"), 2);

    EXPECT_EQ(Button("pollButton")->text(), "周期读取");
    EXPECT_EQ(Button("writeButton")->text(), "写数据");
    EXPECT_EQ(Button("readButton")->text(), "读数据");
    EXPECT_EQ(Check("timedWriteCheck")->text(), "定时写入(ms)");
    EXPECT_EQ(Check("timedReadCheck")->text(), "定时读取(ms)");
    EXPECT_EQ(Radio("asSetRadio")->text(), "自设");
    EXPECT_EQ(Radio("incrementRadio")->text(), "加一");
    EXPECT_TRUE(Radio("asSetRadio")->isChecked());
    EXPECT_FALSE(page.incrementMode());
    EXPECT_TRUE(Box("changedBox")->isReadOnly());

    InterruptIndicatorRow* row = page.indicatorRow();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->button(0)->geometry(), QRect(15, 90, 40, 18));
    EXPECT_EQ(row->button(9)->geometry(), QRect(375, 90, 40, 18));
    // Display only: a click changes nothing.
    Click(row->button(3));
    EXPECT_EQ(row->button(3)->state(), CButtonEx::Off);

    MyCug* in = page.inputGrid();
    MyCug* out = page.outputGrid();
    EXPECT_EQ(in->capacity(), 144);
    EXPECT_EQ(out->capacity(), 144);
    EXPECT_FALSE(in->isReadOnly());
    EXPECT_TRUE(out->isReadOnly());
    EXPECT_EQ(in->size(), out->size());
    EXPECT_EQ(in->y(), out->y());
    EXPECT_LT(in->geometry().right(), out->x());
    EXPECT_GT(in->y(), Box("changedBox")->geometry().bottom());
    for (QWidget* child : page.findChildren<QWidget*>())
        EXPECT_TRUE(QRect(0, 0, 470, 470).contains(child->geometry()))
            << child->objectName().toStdString();

    for (const char* name : {"1", "2", "3"}) EXPECT_FALSE(Timer(name)->isActive());
}

TEST_F(IoPageTest, SimpleEditionControlsAndLayout) {
    CPropIo& page = MakePage(CPropIo::SimpleEdition);
    EXPECT_EQ(page.findChild<QLineEdit*>("inputLengthBox"), nullptr);
    EXPECT_EQ(page.findChild<QLineEdit*>("outputLengthBox"), nullptr);
    EXPECT_EQ(Child<QLabel>(&page, "changeLabel")->text(),
              "I/O变化指示区(每个位反映输出数据区的8个字节):");
    EXPECT_EQ(page.indicatorRow()->button(0)->geometry(), QRect(15, 43, 40, 18));
    EXPECT_EQ(page.indicatorRow()->button(9)->geometry(), QRect(375, 43, 40, 18));
    EXPECT_GT(page.inputGrid()->y(), Box("changedBox")->geometry().bottom());
}

// ---------------------------------------------------------------------------
// Output data

TEST_F(IoPageTest, OutputLengthIsReadAsWholeRegisters) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x1001, 0x0201);
    m_sim.SetRegister(0x1002, 0x0403);
    m_sim.SetRegister(0x1003, 0x0605);
    // Length 0 reads one register; the low half is the first byte shown.
    Click(Button("readButton"));
    EXPECT_EQ(LastRequest(), ReadRequest(0x1001, 1));
    EXPECT_EQ(page.outputLength(), 2);
    EXPECT_EQ(GridRow(page.outputGrid(), 0), QStringList({"01", "02", "", "", "", "", "", ""}));
    EXPECT_EQ(Box("outputLengthBox")->text(), "0");  // until the next refresh

    TypeLengths(0, 5);
    Click(Button("readButton"));
    EXPECT_EQ(LastRequest(), ReadRequest(0x1001, 3));
    EXPECT_EQ(page.outputLength(), 6);
    EXPECT_EQ(GridRow(page.outputGrid(), 0),
              QStringList({"01", "02", "03", "04", "05", "06", "", ""}));
    EXPECT_EQ(page.outputArea()[6], 0);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

// ---------------------------------------------------------------------------
// Input data

TEST_F(IoPageTest, InputLengthZeroWritesOneZeroRegister) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x0001, 0x7777);
    Click(Button("writeButton"));
    EXPECT_EQ(LastRequest(), WriteFrame({0x00, 0x00}));
    EXPECT_EQ(m_sim.Register(0x0001), 0x0000);
    EXPECT_EQ(page.inputGrid()->used(), 0);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(IoPageTest, OddInputLengthPadsTheLastRegister) {
    CPropIo& page = MakePage();
    TypeLengths(3, 0);
    Click(Button("writeButton"));  // the grid now shows three bytes
    ASSERT_EQ(page.inputGrid()->used(), 3);
    page.inputGrid()->SetCellText(0, 0, "11");
    page.inputGrid()->SetCellText(0, 1, "22");
    page.inputGrid()->SetCellText(0, 2, "33");
    Click(Button("writeButton"));
    EXPECT_EQ(LastRequest(), WriteFrame({0x22, 0x11, 0x00, 0x33}));
    EXPECT_EQ(m_sim.Register(0x0001), 0x2211);
    EXPECT_EQ(m_sim.Register(0x0002), 0x0033);
    EXPECT_EQ(GridRow(page.inputGrid(), 0), QStringList({"11", "22", "33", "", "", "", "", ""}));
}

TEST_F(IoPageTest, EditsSurviveALoweredInputLength) {
    m_folder.ini().WriteString("ioprm", "inputdata", "01 02 03 ");
    CPropIo& page = MakePage();
    page.inputGrid()->SetCellText(0, 0, "AA");
    page.inputGrid()->SetCellText(0, 1, "BB");
    TypeLengths(2, 0);
    Click(Button("writeButton"));
    EXPECT_EQ(LastRequest(), WriteFrame({0xBB, 0xAA}));
    EXPECT_EQ(m_sim.Register(0x0001), 0xBBAA);
    EXPECT_EQ(page.inputArea()[0], 0xAA);
    EXPECT_EQ(page.inputArea()[2], 0x03);
    EXPECT_EQ(page.inputGrid()->used(), 2);
}

// ---------------------------------------------------------------------------
// Events and the change field

TEST_F(IoPageTest, IoEventReadsTheChangeFieldAndMarksRows) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x500A, 0x0008);
    for (uint16_t r = 0x6003; r <= 0x600B; ++r) m_sim.SetRegister(r, 0);
    m_sim.SetRegister(0x6003, 0x0005);
    m_sim.SetRegister(0x6004, 0x0002);
    for (int row : {1, 5, 16}) page.outputGrid()->MarkRowHeading(row, true);

    page.PollEvents();
    WaitForModuleIdle(&m_worker);
    const auto requests = m_sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], ReadRequest(0x500A, 1));
    EXPECT_EQ(requests[1], ReadRequest(0x6003, 9));
    EXPECT_EQ(page.eventWord(), 0x0008);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(page.indicatorRow()->button(k)->state(),
                  k == 6 ? CButtonEx::Lit : CButtonEx::Off);
    for (int row = 0; row < 18; ++row)
        EXPECT_EQ(page.outputGrid()->IsRowMarked(row), row == 0 || row == 2 || row == 17) << row;
    const std::string expected = "05 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ";
    EXPECT_EQ(page.changedText(), expected);
    EXPECT_EQ(Box("changedBox")->text().toStdString(), expected);
    EXPECT_TRUE(m_messages.messages().isEmpty());

    // Without the I/O bit nothing else is read.
    m_sim.ClearRequests();
    m_sim.SetRegister(0x500A, 0x0201);
    page.PollEvents();
    WaitForModuleIdle(&m_worker);
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x0201);
    EXPECT_TRUE(page.outputGrid()->IsRowMarked(17));

    // A failed change-field read is told and leaves marks and text alone.
    m_sim.SetRegister(0x500A, 0x0008);
    m_sim.InjectFault(Fault::None);
    m_sim.InjectFault(Fault::Exception);
    page.PollEvents();
    WaitForModuleIdle(&m_worker);
    EXPECT_EQ(m_messages.messages(), QStringList({"读取输入数据改变域失败!"}));
    EXPECT_EQ(page.eventFailures(), 0);
    EXPECT_TRUE(page.outputGrid()->IsRowMarked(17));
    EXPECT_EQ(page.changedText(), expected);
}

// ---------------------------------------------------------------------------
// Timers: failure counts, stopping, and the controls each one locks

struct TimerCase {
    const char* name;
    const char* start;  // the button or check box that starts and stops it
    const char* timer;
    void (CPropIo::*tick)();
    int (CPropIo::*failures)() const;
    bool (CPropIo::*running)() const;
    const char* message;
    std::vector<std::string> locked;  // disabled while it runs
};

const TimerCase kTimers[] = {
    {"Polling",
     "pollButton",
     "1",
     &CPropIo::OnEventTick,
     &CPropIo::eventFailures,
     &CPropIo::polling,
     "获取中断事件失败!",
     {}},
    {"TimedRead",
     "timedReadCheck",
     "2",
     &CPropIo::OnReadTick,
     &CPropIo::readFailures,
     &CPropIo::timedRead,
     "读取输出数据失败!",
     {"readButton", "outIntervalBox"}},
    {"TimedWrite",
     "timedWriteCheck",
     "3",
     &CPropIo::OnWriteTick,
     &CPropIo::writeFailures,
     &CPropIo::timedWrite,
     "写入输入数据失败!",
     {"writeButton", "asSetRadio", "incrementRadio", "inIntervalBox"}},
};

// Test listings and failures name a case by its timer.
void PrintTo(const TimerCase& c, std::ostream* out) {
    *out << c.name;
}

class IoTimerTest : public IoPageTest, public ::testing::WithParamInterface<TimerCase> {
protected:
    // Every control one of the timers locks is enabled unless `c` runs and
    // locks it.
    void ExpectLocked(const TimerCase& c, bool running) {
        for (const char* name : {"readButton", "outIntervalBox", "writeButton", "asSetRadio",
                                 "incrementRadio", "inIntervalBox", "eventIntervalBox"}) {
            const bool locked = running && std::count(c.locked.begin(), c.locked.end(), name) > 0;
            EXPECT_EQ(Child<QWidget>(m_page.get(), name)->isEnabled(), !locked) << name;
        }
    }
};

TEST_P(IoTimerTest, ThreeFailuresInARowStopItAtTheNextTickWithOneMessage) {
    const TimerCase& c = GetParam();
    CPropIo& page = MakePage();
    for (const char* box : {"eventIntervalBox", "outIntervalBox", "inIntervalBox"})
        Box(box)->setText("60000");
    auto* start = Child<QAbstractButton>(&page, c.start);
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            (page.*c.tick)();
            WaitForModuleIdle(&m_worker);
        }
    };
    Click(start);
    ASSERT_TRUE((page.*c.running)());
    EXPECT_TRUE(Timer(c.timer)->isActive());
    ExpectLocked(c, true);

    // A good exchange between failures starts the count anew.
    m_sim.InjectFault(Fault::Exception, 2);
    tick(3);
    EXPECT_EQ((page.*c.failures)(), 0);
    m_sim.InjectFault(Fault::Exception);
    m_sim.InjectFault(Fault::BadCrc);
    m_sim.InjectFault(Fault::Silent);
    tick(3);
    EXPECT_EQ(m_sim.RequestCount(), 6u);
    EXPECT_EQ((page.*c.failures)(), 3);
    EXPECT_TRUE((page.*c.running)());
    EXPECT_TRUE(m_messages.messages().isEmpty());

    // The next tick sends nothing, stops the timer and tells it once.
    tick(1);
    EXPECT_EQ(m_sim.RequestCount(), 6u);
    EXPECT_FALSE((page.*c.running)());
    EXPECT_FALSE(Timer(c.timer)->isActive());
    EXPECT_EQ(m_messages.messages(), QStringList{QString::fromUtf8(c.message)});
    EXPECT_EQ((page.*c.failures)(), 0);
    if (auto* check = qobject_cast<QCheckBox*>(start)) {
        EXPECT_FALSE(check->isChecked());
    } else {
        EXPECT_EQ(start->text(), "周期读取");
    }
    ExpectLocked(c, false);
    tick(1);  // a late tick
    EXPECT_EQ(m_sim.RequestCount(), 6u);
    EXPECT_EQ(m_messages.messages().size(), 1);

    // Started and stopped by hand, the controls come back as well.
    Click(start);
    ExpectLocked(c, true);
    Click(start);
    EXPECT_FALSE(Timer(c.timer)->isActive());
    ExpectLocked(c, false);
}

INSTANTIATE_TEST_SUITE_P(EachTimer, IoTimerTest, ::testing::ValuesIn(kTimers),
                         [](const ::testing::TestParamInfo<TimerCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(IoPageTest, ShortPeriodsRunAtTenMilliseconds) {
    CPropIo& page = MakePage();
    Box("eventIntervalBox")->setText("0");
    Box("outIntervalBox")->setText("-5");
    Box("inIntervalBox")->setText("25");
    Click(Button("pollButton"));
    Click(Check("timedReadCheck"));
    Click(Check("timedWriteCheck"));
    EXPECT_EQ(Timer("1")->interval(), 10);
    EXPECT_EQ(Timer("2")->interval(), 10);
    EXPECT_EQ(Timer("3")->interval(), 25);
    EXPECT_EQ(page.eventInterval(), 0);
    Click(Button("pollButton"));
    Click(Check("timedReadCheck"));
    Click(Check("timedWriteCheck"));
}

TEST_F(IoPageTest, RunningTimerPollsTheModule) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x500A, 0x0200);
    Box("eventIntervalBox")->setText("10");
    quint64 ticks = 0;
    QObject::connect(Timer("1"), &QTimer::timeout, [&] { ++ticks; });
    Click(Button("pollButton"));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim.RequestCount() >= 3, 3000);
    Click(Button("pollButton"));
    for (const Bytes& request : m_sim.Requests()) EXPECT_EQ(request, ReadRequest(0x500A, 1));
    EXPECT_EQ(page.skippedTickCount(), 0u);
    EXPECT_GE(page.exchangeCount(), 3u);
    // Each tick went out, or merged with one waiting for the worker.
    EXPECT_EQ(page.exchangeCount() + page.mergedTickCount(), ticks);
    EXPECT_EQ(m_session.nestedExchangeCount(), 0u);
}

TEST_F(IoPageTest, TicksDuringAnExchangeRunOnceAfterItAndNeverOverlap) {
    CPropIo& page = MakePage();
    TypeLengths(0, 4);
    for (const char* box : {"eventIntervalBox", "outIntervalBox", "inIntervalBox"})
        Box(box)->setText("60000");
    Click(Button("pollButton"));
    Click(Check("timedReadCheck"));
    // The first poll stays on the line for the answer's time-out.
    m_sim.InjectFault(Fault::Silent);
    page.OnEventTick();
    ASSERT_TRUE(m_sim.WaitForRequests(1, 2000));
    for (int i = 0; i < 5; ++i) {
        page.OnEventTick();
        page.OnReadTick();
    }
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    WaitForModuleIdle(&m_worker);
    // Each timer's ticks ran once, after the exchange, in timer order.
    EXPECT_EQ(m_sim.Requests(), (std::vector<Bytes>{ReadRequest(0x500A, 1), ReadRequest(0x500A, 1),
                                                    ReadRequest(0x1001, 2)}));
    EXPECT_EQ(page.exchangeCount(), 3u);
    EXPECT_EQ(page.failureCount(), 1u);
    EXPECT_EQ(page.mergedTickCount(), 8u);
    EXPECT_EQ(page.skippedTickCount(), 0u);
    EXPECT_EQ(m_session.nestedExchangeCount(), 0u);
    Click(Button("pollButton"));
    Click(Check("timedReadCheck"));
}

TEST_F(IoPageTest, TicksWaitWhileAMessageIsOpen) {
    CPropIo& page = MakePage();
    Box("eventIntervalBox")->setText("60000");
    Box("outIntervalBox")->setText("60000");
    Click(Button("pollButton"));
    QStringList shown;
    // The sink stands for a modal box whose loop lets the timers fire.
    SetMessageSink([&](QWidget*, const QString& text) {
        shown << text;
        page.OnEventTick();
        page.OnWriteTick();
    });
    m_sim.InjectFault(Fault::Exception);
    Click(Button("readButton"));
    SetMessageSink([&](QWidget*, const QString& text) { shown << text; });
    EXPECT_EQ(shown, QStringList({"读取输出数据失败!"}));
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(page.skippedTickCount(), 1u);  // the write timer was not running
    EXPECT_EQ(page.messageCount(), 1u);
    EXPECT_EQ(page.failureCount(), 1u);
    EXPECT_EQ(page.exchangeCount(), 1u);
    page.OnEventTick();
    WaitForModuleIdle(&m_worker);
    EXPECT_EQ(m_sim.RequestCount(), 2u);
}

// ---------------------------------------------------------------------------
// Lengths from the module, the boxes and the simple edition

TEST_F(IoPageTest, FillFromBlockShowsLengthsAndChangeField) {
    m_folder.ini().WriteString("ioprm", "inputdata", "01 02 03 ");
    m_folder.ini().WriteString("ioprm", "outputdata", "0A 0B 0C 0D 0E 0F ");
    CPropIo& page = MakePage();
    uint8_t block[22] = {0x90, 0x00, 0x04, 0x00};
    for (int i = 4; i < 22; ++i) block[i] = static_cast<uint8_t>(i);
    page.FillFromBlock(block);
    EXPECT_EQ(Box("inputLengthBox")->text(), "144");
    EXPECT_EQ(Box("outputLengthBox")->text(), "4");
    EXPECT_EQ(page.inputGrid()->used(), 3);  // 144 leaves the grid as it was
    EXPECT_EQ(page.outputGrid()->used(), 4);
    EXPECT_EQ(GridRow(page.outputGrid(), 0), QStringList({"0A", "0B", "0C", "0D", "", "", "", ""}));
    EXPECT_EQ(Box("changedBox")->text(), "04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 ");
}

TEST_F(IoPageTest, OversizedBlockLengthNeverReachesBeyondTheAreas) {
    CPropIo& page = MakePage();
    uint8_t block[22] = {0x2C, 0x01, 0xFF, 0xFF};  // 300 and 65535
    page.FillFromBlock(block);
    EXPECT_EQ(Box("inputLengthBox")->text(), "300");
    EXPECT_EQ(Box("outputLengthBox")->text(), "65535");
    EXPECT_EQ(page.inputGrid()->used(), 0);

    Click(Button("writeButton"));
    const Bytes frame = LastRequest();
    ASSERT_EQ(frame.size(), 7u + 144u + 2u);
    EXPECT_EQ(frame[5], 72);
    EXPECT_EQ(frame[6], 144);
    EXPECT_EQ(page.inputGrid()->used(), 144);

    Click(Button("readButton"));
    EXPECT_EQ(LastRequest(), ReadRequest(0x1001, 72));
    EXPECT_EQ(page.outputLength(), 144);
    EXPECT_EQ(page.outputGrid()->used(), 144);
    EXPECT_TRUE(m_messages.messages().isEmpty());

    // Taking the boxes refuses what the areas cannot hold.
    EXPECT_FALSE(page.TakeBoxes());
    EXPECT_EQ(m_messages.messages(), QStringList({"请输入一个介于 0 和 144 之间的整数。"}));
}

TEST_F(IoPageTest, TypedLengthAboveTheAreaIsRefused) {
    CPropIo& page = MakePage();
    Box("inputLengthBox")->setText("145");
    Box("eventIntervalBox")->setText("60000");
    Click(Button("pollButton"));
    EXPECT_EQ(m_messages.messages(), QStringList({"请输入一个介于 0 和 144 之间的整数。"}));
    EXPECT_FALSE(page.polling());
    EXPECT_EQ(page.inputLength(), 0);
    EXPECT_EQ(page.eventInterval(), 0);  // nothing was taken

    Click(Check("timedReadCheck"));
    EXPECT_FALSE(Check("timedReadCheck")->isChecked());
    EXPECT_FALSE(Timer("2")->isActive());
    EXPECT_TRUE(Button("readButton")->isEnabled());

    Box("inputLengthBox")->setText("144");
    Box("outputLengthBox")->setText("-1");
    EXPECT_FALSE(page.TakeBoxes());
    Box("outputLengthBox")->setText("7");
    EXPECT_TRUE(page.TakeBoxes());
    EXPECT_EQ(page.inputLength(), 144);
    EXPECT_EQ(page.outputLength(), 7);
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

TEST_F(IoPageTest, SetIoLengthsClearsBothAreas) {
    m_folder.ini().WriteString("ioprm", "inputdata", "01 02 03 ");
    m_folder.ini().WriteString("ioprm", "outputdata", "0A 0B ");
    CPropIo& page = MakePage(CPropIo::SimpleEdition);
    page.SetIoLengths(145, 10);
    EXPECT_EQ(page.inputLength(), 3);
    EXPECT_EQ(page.outputLength(), 2);
    EXPECT_EQ(page.inputGrid()->CellText(0, 0), "01");
    EXPECT_EQ(page.outputGrid()->used(), 2);

    page.SetIoLengths(144, 144);
    EXPECT_EQ(page.inputLength(), 144);
    EXPECT_EQ(page.outputLength(), 144);
    for (MyCug* grid : {page.inputGrid(), page.outputGrid()}) {
        EXPECT_EQ(grid->used(), 144);
        for (int row = 0; row < 18; ++row)
            EXPECT_EQ(GridRow(grid, row), QStringList(8, "00")) << row;
    }
    EXPECT_EQ(page.inputArea()[0], 0);
    EXPECT_EQ(page.outputArea()[0], 0);

    page.SetIoLengths(1, 0);
    EXPECT_EQ(page.inputGrid()->used(), 1);
    EXPECT_EQ(page.outputGrid()->used(), 0);
}

// ---------------------------------------------------------------------------
// Settings

TEST_F(IoPageTest, LoadSettingsTakesLengthsFromTheDataLists) {
    m_folder.ini().WriteInt("ioprm", "input", 10);
    m_folder.ini().WriteInt("ioprm", "output", 99);
    m_folder.ini().WriteString("ioprm", "inputdata", "01 02 03 ");
    m_folder.ini().WriteString("ioprm", "changed", "01 00 ");
    m_folder.ini().WriteInt("ioprm", "outinterval", 200);
    m_folder.ini().WriteInt("ioprm", "ininterval", 300);
    m_folder.ini().WriteInt("ioprm", "eventinterval", 400);
    CPropIo& page = MakePage();
    EXPECT_EQ(page.inputLength(), 3);
    EXPECT_EQ(page.outputLength(), 0);
    EXPECT_EQ(Box("inputLengthBox")->text(), "3");
    EXPECT_EQ(GridRow(page.inputGrid(), 0), QStringList({"01", "02", "03", "", "", "", "", ""}));
    EXPECT_EQ(Box("changedBox")->text(), "01 00");
    EXPECT_EQ(Box("outIntervalBox")->text(), "200");
    EXPECT_EQ(Box("inIntervalBox")->text(), "300");
    EXPECT_EQ(Box("eventIntervalBox")->text(), "400");
}

TEST_F(IoPageTest, OverlongDataListLoadsTheFirst144Bytes) {
    std::string list;
    for (int i = 0; i < 150; ++i) {
        char token[4];
        std::snprintf(token, sizeof token, "%02X ", (i * 7 + 1) & 0xFF);
        list += token;
    }
    m_folder.ini().WriteString("ioprm", "inputdata", list);
    m_folder.ini().WriteString("ioprm", "outputdata", list);
    CPropIo& page = MakePage();
    EXPECT_EQ(page.inputLength(), 144);
    EXPECT_EQ(page.outputLength(), 144);
    EXPECT_EQ(page.inputGrid()->used(), 144);
    EXPECT_EQ(page.outputGrid()->used(), 144);

    Click(Button("writeButton"));
    const Bytes frame = LastRequest();
    ASSERT_EQ(frame.size(), 7u + 144u + 2u);
    EXPECT_EQ(frame[5], 72);
    for (int i = 0; i < 144; i += 2) {
        EXPECT_EQ(frame[7 + i], static_cast<uint8_t>(((i + 1) * 7 + 1) & 0xFF)) << i;
        EXPECT_EQ(frame[8 + i], static_cast<uint8_t>((i * 7 + 1) & 0xFF)) << i;
    }
    page.SaveSettings();
    EXPECT_EQ(IniValue("inputdata"), list.substr(0, 144 * 3));
    EXPECT_EQ(IniValue("input"), "144");
}

TEST_F(IoPageTest, SaveSettingsKeepsDataAsLastWrittenOrRead) {
    m_folder.ini().WriteString("ioprm", "inputdata", "01 02 03 ");
    CPropIo& page = MakePage();
    page.inputGrid()->SetCellText(0, 0, "AA");
    Box("eventIntervalBox")->setText("50");
    page.SaveSettings();
    EXPECT_EQ(IniValue("inputdata"), "01 02 03 ");
    EXPECT_EQ(IniValue("eventinterval"), "50");
    EXPECT_EQ(IniValue("input"), "3");
    EXPECT_EQ(IniValue("output"), "0");
    EXPECT_EQ(IniValue("outputdata"), "");

    Click(Button("writeButton"));
    TypeLengths(3, 2);
    m_sim.SetRegister(0x1001, 0x2010);
    Click(Button("readButton"));
    page.outputGrid()->data()[0] = 0x77;  // not what was read
    page.SaveSettings();
    EXPECT_EQ(IniValue("inputdata"), "AA 02 03 ");
    EXPECT_EQ(IniValue("outputdata"), "10 20 ");
    EXPECT_EQ(IniValue("output"), "2");
}

// A refused box keeps the value last stored; the other keys are written all
// the same, in both editions.
TEST_F(IoPageTest, SaveSettingsWritesEveryKeyPastARefusedBox) {
    for (CPropIo::Edition edition : {CPropIo::FullEdition, CPropIo::SimpleEdition}) {
        m_folder.WriteIni(
            "[ioprm]\r\noutinterval=200\r\nininterval=300\r\neventinterval=400\r\n"
            "inputdata=1 2 3\r\noutputdata=a b\r\n");
        m_messages.clear();
        CPropIo& page = MakePage(edition);
        Box("outIntervalBox")->setText("abc");
        Box("eventIntervalBox")->setText("99999999999");
        Box("inIntervalBox")->setText("70");
        if (edition == CPropIo::FullEdition) Box("outputLengthBox")->setText("145");
        page.SaveSettings();
        // One prompt, for the first box refused.
        EXPECT_EQ(m_messages.messages().size(), 1) << edition;
        EXPECT_EQ(IniValue("outinterval"), "200") << edition;
        EXPECT_EQ(IniValue("eventinterval"), "400") << edition;
        EXPECT_EQ(IniValue("ininterval"), "70") << edition;
        EXPECT_EQ(IniValue("changed"), "") << edition;
        EXPECT_EQ(IniValue("inputdata"), "01 02 03 ") << edition;
        EXPECT_EQ(IniValue("outputdata"), "0A 0B ") << edition;
        if (edition == CPropIo::FullEdition) {
            EXPECT_EQ(IniValue("input"), "3");
            EXPECT_EQ(IniValue("output"), "2");
        }
    }
}

TEST_F(IoPageTest, OnlyTheSimpleEditionSavesOnCloseAndWithoutLengthKeys) {
    MakePage().close();
    EXPECT_FALSE(m_folder.IniExists());

    CPropIo& page = MakePage(CPropIo::SimpleEdition);
    page.SetIoLengths(2, 0);
    Box("inIntervalBox")->setText("70");
    Click(Button("writeButton"));
    page.close();
    EXPECT_EQ(IniValue("inputdata"), "00 00 ");
    EXPECT_EQ(IniValue("ininterval"), "70");
    EXPECT_EQ(IniValue("input"), "<absent>");
    EXPECT_EQ(IniValue("output"), "<absent>");
}

}  // namespace
