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
#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cbuttonex.h"
#include "ccontrolini.h"
#include "cpropio.h"
#include "cserialport.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "messages.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"
#include "mycug.h"
#include "tempdir.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Fault = ModuleSimulator::Fault;

// CRC-16/MODBUS written out here on its own, so frames are checked against
// an answer independent of the master's code.
uint16_t ReferenceCrc(const Bytes& bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

Bytes WithCrc(Bytes bytes) {
    const uint16_t crc = ReferenceCrc(bytes);
    bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
    return bytes;
}

Bytes ReadFrame(uint16_t start, uint16_t quantity) {
    return WithCrc({0x01, 0x03, static_cast<uint8_t>(start >> 8), static_cast<uint8_t>(start),
                    static_cast<uint8_t>(quantity >> 8), static_cast<uint8_t>(quantity)});
}

// Function 16 at 0x0001 with the given data bytes (wire order).
Bytes WriteFrame(const Bytes& wireData) {
    const uint16_t quantity = static_cast<uint16_t>(wireData.size() / 2);
    Bytes frame = {0x01, 0x10, 0x00, 0x01, static_cast<uint8_t>(quantity >> 8),
                   static_cast<uint8_t>(quantity), static_cast<uint8_t>(wireData.size())};
    frame.insert(frame.end(), wireData.begin(), wireData.end());
    return WithCrc(frame);
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
        ASSERT_EQ(m_port.OpenDevice(m_sim.DevicePath(), 115200, 8, 0, 0, 0), 0);
        m_request.port = &m_port;
        m_ini.SetPath(m_dir.file("config.ini"));
    }

    CPropIo& MakePage(CPropIo::Edition edition = CPropIo::FullEdition) {
        m_page = std::make_unique<CPropIo>(edition);
        m_page->SetPointers(&m_ini, &m_request);
        m_page->Initialise();
        m_page->show();
        return *m_page;
    }

    QLineEdit* Box(const char* name) { return Child<QLineEdit>(m_page.get(), name); }
    QPushButton* Button(const char* name) { return Child<QPushButton>(m_page.get(), name); }
    QCheckBox* Check(const char* name) { return Child<QCheckBox>(m_page.get(), name); }
    QRadioButton* Radio(const char* name) { return Child<QRadioButton>(m_page.get(), name); }
    QTimer* Timer(const char* name) { return Child<QTimer>(m_page.get(), name); }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

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
    std::string IniValue(const char* key) const {
        std::ifstream file(m_dir.file("config.ini"));
        const std::string prefix = std::string(key) + "=";
        std::string line;
        bool inSection = false;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') inSection = line == "[ioprm]";
            else if (inSection && line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
        }
        return "<absent>";
    }

    QStringList GridRow(MyCug* grid, int row) const {
        QStringList cells;
        for (int c = 0; c < 8; ++c) cells << grid->CellText(row, c);
        return cells;
    }

    TempDir m_dir;
    ModuleSimulator m_sim;
    CSerialPort m_port;
    ModbusRequest m_request;
    CControlIni m_ini;
    MessageRecorder m_messages;
    std::unique_ptr<CPropIo> m_page;
};

// ---------------------------------------------------------------------------
// Controls

TEST_F(IoPageTest, FullEditionControlsAndLayout) {
    CPropIo& page = MakePage();
    EXPECT_EQ(page.size(), QSize(470, 470));
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"输入I/O长度:", "输出I/O长度:", "中断事件:", "ms", "输入:", "输出:",
                             "I/O变化指示区(每个位反映输入数据区的8个字节):"})
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
        EXPECT_TRUE(QRect(0, 0, 470, 470).contains(child->geometry())) << child->objectName().toStdString();

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

TEST_F(IoPageTest, OutputLengthZeroReadsOneRegisterAndShowsTwoBytes) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x1001, 0xABCD);
    Click(Button("readButton"));
    EXPECT_EQ(LastRequest(), ReadFrame(0x1001, 1));
    EXPECT_EQ(page.outputLength(), 2);
    EXPECT_EQ(page.outputGrid()->used(), 2);
    // The low half of a register is the first byte of the pair.
    EXPECT_EQ(GridRow(page.outputGrid(), 0),
              QStringList({"CD", "AB", "", "", "", "", "", ""}));
    EXPECT_TRUE(m_messages.messages().isEmpty());
    // The box follows at the next refresh only.
    EXPECT_EQ(Box("outputLengthBox")->text(), "0");
}

TEST_F(IoPageTest, OddOutputLengthIsRoundedUpToWholeRegisters) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x1001, 0x0201);
    m_sim.SetRegister(0x1002, 0x0403);
    m_sim.SetRegister(0x1003, 0x0605);
    TypeLengths(0, 5);
    Click(Button("readButton"));
    EXPECT_EQ(LastRequest(), ReadFrame(0x1001, 3));
    EXPECT_EQ(page.outputLength(), 6);
    EXPECT_EQ(GridRow(page.outputGrid(), 0),
              QStringList({"01", "02", "03", "04", "05", "06", "", ""}));
    EXPECT_EQ(page.outputArea()[6], 0);
}

TEST_F(IoPageTest, FailedManualReadKeepsTheGridAndSaysSo) {
    CPropIo& page = MakePage();
    m_sim.SetRegister(0x1001, 0x2211);
    Click(Button("readButton"));
    for (Fault fault : {Fault::Exception, Fault::BadCrc, Fault::Truncated}) {
        m_messages.clear();
        m_sim.InjectFault(fault);
        m_sim.SetRegister(0x1001, 0x4433);
        Click(Button("readButton"));
        EXPECT_EQ(m_messages.messages(), QStringList({"读取输出数据失败!"}));
        EXPECT_EQ(page.outputGrid()->CellText(0, 0), "11");
        m_sim.SetRegister(0x1001, 0x2211);
    }
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
    m_ini.WriteString("ioprm", "inputdata", "01 02 03 ");
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

TEST_F(IoPageTest, ManualWriteFailureIsShownAtOnce) {
    CPropIo& page = MakePage();
    m_sim.InjectFault(Fault::Exception);
    Click(Button("writeButton"));
    EXPECT_EQ(m_messages.messages(), QStringList({"写入输入数据失败!"}));
    m_port.Close();
    Click(Button("writeButton"));
    EXPECT_EQ(m_messages.messages().size(), 2);
    EXPECT_EQ(page.writeFailures(), 0);
}

TEST_F(IoPageTest, IncrementModeCountsUpOncePerTickAndRepeatsAFailedStep) {
    m_ini.WriteString("ioprm", "inputdata", "00 FE FF ");
    CPropIo& page = MakePage();
    Click(Radio("incrementRadio"));
    ASSERT_TRUE(page.incrementMode());
    Box("inIntervalBox")->setText("60000");
    Click(Check("timedWriteCheck"));
    ASSERT_TRUE(page.timedWrite());

    page.OnWriteTick();
    EXPECT_EQ(LastRequest(), WriteFrame({0xFF, 0x01, 0x00, 0x00}));  // 01 FF 00
    page.OnWriteTick();
    EXPECT_EQ(LastRequest(), WriteFrame({0x00, 0x02, 0x00, 0x01}));  // 02 00 01
    m_sim.InjectFault(Fault::Exception);
    page.OnWriteTick();
    EXPECT_EQ(LastRequest(), WriteFrame({0x01, 0x03, 0x00, 0x02}));  // 03 01 02, refused
    EXPECT_EQ(GridRow(page.inputGrid(), 0), QStringList({"02", "00", "01", "", "", "", "", ""}));
    page.OnWriteTick();
    EXPECT_EQ(LastRequest(), WriteFrame({0x01, 0x03, 0x00, 0x02}));  // the same step again
    EXPECT_EQ(GridRow(page.inputGrid(), 0), QStringList({"03", "01", "02", "", "", "", "", ""}));
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_TRUE(m_messages.messages().isEmpty());
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
    const auto requests = m_sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], ReadFrame(0x500A, 1));
    EXPECT_EQ(requests[1], ReadFrame(0x6003, 9));
    EXPECT_EQ(page.eventWord(), 0x0008);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(page.indicatorRow()->button(k)->state(), k == 6 ? CButtonEx::Lit : CButtonEx::Off);
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
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x0201);
    EXPECT_TRUE(page.outputGrid()->IsRowMarked(17));
}

TEST_F(IoPageTest, FailedChangeFieldReadIsShownAndPollingGoesOn) {
    CPropIo& page = MakePage();
    Box("eventIntervalBox")->setText("60000");
    Click(Button("pollButton"));
    ASSERT_TRUE(page.polling());
    m_sim.SetRegister(0x500A, 0x0008);
    page.outputGrid()->MarkRowHeading(4, true);
    m_sim.InjectFault(Fault::None);
    m_sim.InjectFault(Fault::Exception);
    page.OnEventTick();
    EXPECT_EQ(m_sim.RequestCount(), 2u);
    EXPECT_EQ(m_messages.messages(), QStringList({"读取输入数据改变域失败!"}));
    EXPECT_TRUE(page.polling());
    EXPECT_TRUE(Timer("1")->isActive());
    EXPECT_EQ(Button("pollButton")->text(), "停止读取");
    EXPECT_EQ(page.eventFailures(), 0);
    EXPECT_TRUE(page.outputGrid()->IsRowMarked(4));
    EXPECT_EQ(page.changedText(), "");
    m_sim.SetRegister(0x500A, 0x0008);  // the module clears it when read
    page.OnEventTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
}

TEST_F(IoPageTest, ThreeFailedPollsStopPollingAtTheNextTick) {
    CPropIo& page = MakePage();
    Box("eventIntervalBox")->setText("60000");
    Click(Button("pollButton"));
    ASSERT_EQ(Button("pollButton")->text(), "停止读取");
    m_sim.SetRegister(0x500A, 0x0001);
    page.OnEventTick();
    ASSERT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x0001);

    m_sim.InjectFault(Fault::Exception);
    m_sim.InjectFault(Fault::BadCrc);
    m_sim.InjectFault(Fault::Silent);
    for (int i = 0; i < 3; ++i) page.OnEventTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_EQ(page.eventFailures(), 3);
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_TRUE(page.polling());

    page.OnEventTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_FALSE(page.polling());
    EXPECT_FALSE(Timer("1")->isActive());
    EXPECT_EQ(Button("pollButton")->text(), "周期读取");
    EXPECT_EQ(m_messages.messages(), QStringList({"获取中断事件失败!"}));
    EXPECT_EQ(page.eventFailures(), 0);
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x0001);
    // A late tick after the stop does nothing.
    page.OnEventTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_EQ(m_messages.messages().size(), 1);
}

TEST_F(IoPageTest, AGoodPollResetsTheFailureCount) {
    CPropIo& page = MakePage();
    Box("eventIntervalBox")->setText("60000");
    Click(Button("pollButton"));
    m_sim.InjectFault(Fault::Exception, 2);
    page.OnEventTick();
    page.OnEventTick();
    page.OnEventTick();
    EXPECT_EQ(page.eventFailures(), 0);
    m_sim.InjectFault(Fault::Exception, 2);
    page.OnEventTick();
    page.OnEventTick();
    page.OnEventTick();
    EXPECT_TRUE(page.polling());
    EXPECT_EQ(page.eventFailures(), 0);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(IoPageTest, ThreeFailedTimedReadsStopTimedReading) {
    CPropIo& page = MakePage();
    Box("outIntervalBox")->setText("60000");
    Click(Check("timedReadCheck"));
    ASSERT_TRUE(page.timedRead());
    m_sim.SetRegister(0x1001, 0x3412);
    page.OnReadTick();
    ASSERT_EQ(page.outputGrid()->CellText(0, 0), "12");
    m_sim.SetRegister(0x1001, 0x9999);
    m_sim.InjectFault(Fault::Exception, 3);
    for (int i = 0; i < 3; ++i) page.OnReadTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(page.readFailures(), 3);

    page.OnReadTick();
    EXPECT_EQ(m_sim.RequestCount(), 4u);
    EXPECT_EQ(m_messages.messages(), QStringList({"读取输出数据失败!"}));
    EXPECT_FALSE(page.timedRead());
    EXPECT_FALSE(Timer("2")->isActive());
    EXPECT_FALSE(Check("timedReadCheck")->isChecked());
    EXPECT_TRUE(Button("readButton")->isEnabled());
    EXPECT_TRUE(Box("outIntervalBox")->isEnabled());
    EXPECT_EQ(page.outputGrid()->CellText(0, 0), "12");
    EXPECT_EQ(page.readFailures(), 0);
}

TEST_F(IoPageTest, ThreeFailedTimedWritesStopTimedWriting) {
    CPropIo& page = MakePage();
    Box("inIntervalBox")->setText("60000");
    Click(Check("timedWriteCheck"));
    ASSERT_TRUE(page.timedWrite());
    m_sim.InjectFault(Fault::Exception, 3);
    for (int i = 0; i < 3; ++i) page.OnWriteTick();
    EXPECT_EQ(m_sim.RequestCount(), 3u);
    EXPECT_TRUE(m_messages.messages().isEmpty());

    page.OnWriteTick();
    EXPECT_EQ(m_sim.RequestCount(), 3u);
    EXPECT_EQ(m_messages.messages(), QStringList({"写入输入数据失败!"}));
    EXPECT_FALSE(page.timedWrite());
    EXPECT_FALSE(Timer("3")->isActive());
    EXPECT_FALSE(Check("timedWriteCheck")->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{Button("writeButton"), Radio("asSetRadio"),
                                                      Radio("incrementRadio"), Box("inIntervalBox")})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

// ---------------------------------------------------------------------------
// Timers and their controls

TEST_F(IoPageTest, TimedModesDisableTheirControlsWhileRunning) {
    MakePage();
    Box("outIntervalBox")->setText("60000");
    Box("inIntervalBox")->setText("60000");
    Click(Check("timedReadCheck"));
    EXPECT_TRUE(Timer("2")->isActive());
    EXPECT_FALSE(Button("readButton")->isEnabled());
    EXPECT_FALSE(Box("outIntervalBox")->isEnabled());
    EXPECT_TRUE(Button("writeButton")->isEnabled());

    Click(Check("timedWriteCheck"));
    EXPECT_TRUE(Timer("3")->isActive());
    for (QWidget* w : std::initializer_list<QWidget*>{Button("writeButton"), Radio("asSetRadio"),
                                                      Radio("incrementRadio"), Box("inIntervalBox")})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Box("eventIntervalBox")->isEnabled());

    Click(Check("timedReadCheck"));
    EXPECT_FALSE(Timer("2")->isActive());
    EXPECT_TRUE(Button("readButton")->isEnabled());
    EXPECT_TRUE(Box("outIntervalBox")->isEnabled());
    Click(Check("timedWriteCheck"));
    EXPECT_FALSE(Timer("3")->isActive());
    for (QWidget* w : std::initializer_list<QWidget*>{Button("writeButton"), Radio("asSetRadio"),
                                                      Radio("incrementRadio"), Box("inIntervalBox")})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(m_sim.RequestCount(), 0u);
}

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
    Click(Button("pollButton"));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim.RequestCount() >= 3, 3000);
    Click(Button("pollButton"));
    for (const Bytes& request : m_sim.Requests()) EXPECT_EQ(request, ReadFrame(0x500A, 1));
    EXPECT_EQ(page.skippedTickCount(), 0u);
    EXPECT_GE(page.exchangeCount(), 3u);
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
    EXPECT_EQ(m_sim.RequestCount(), 2u);
}

// ---------------------------------------------------------------------------
// Lengths from the module, the boxes and the simple edition

TEST_F(IoPageTest, FillFromBlockShowsLengthsAndChangeField) {
    m_ini.WriteString("ioprm", "inputdata", "01 02 03 ");
    m_ini.WriteString("ioprm", "outputdata", "0A 0B 0C 0D 0E 0F ");
    CPropIo& page = MakePage();
    uint8_t block[22] = {0x90, 0x00, 0x04, 0x00};
    for (int i = 4; i < 22; ++i) block[i] = static_cast<uint8_t>(i);
    page.FillFromBlock(block);
    EXPECT_EQ(Box("inputLengthBox")->text(), "144");
    EXPECT_EQ(Box("outputLengthBox")->text(), "4");
    EXPECT_EQ(page.inputGrid()->used(), 3);  // 144 leaves the grid as it was
    EXPECT_EQ(page.outputGrid()->used(), 4);
    EXPECT_EQ(GridRow(page.outputGrid(), 0),
              QStringList({"0A", "0B", "0C", "0D", "", "", "", ""}));
    EXPECT_EQ(Box("changedBox")->text(),
              "04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 ");
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
    EXPECT_EQ(LastRequest(), ReadFrame(0x1001, 72));
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
    m_ini.WriteString("ioprm", "inputdata", "01 02 03 ");
    m_ini.WriteString("ioprm", "outputdata", "0A 0B ");
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
    m_ini.WriteInt("ioprm", "input", 10);
    m_ini.WriteInt("ioprm", "output", 99);
    m_ini.WriteString("ioprm", "inputdata", "01 02 03 ");
    m_ini.WriteString("ioprm", "changed", "01 00 ");
    m_ini.WriteInt("ioprm", "outinterval", 200);
    m_ini.WriteInt("ioprm", "ininterval", 300);
    m_ini.WriteInt("ioprm", "eventinterval", 400);
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
    m_ini.WriteString("ioprm", "inputdata", list);
    m_ini.WriteString("ioprm", "outputdata", list);
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
    m_ini.WriteString("ioprm", "inputdata", "01 02 03 ");
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

TEST_F(IoPageTest, SimpleEditionSavesOnCloseWithoutLengthKeys) {
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

TEST_F(IoPageTest, FullEditionDoesNotSaveOnClose) {
    CPropIo& page = MakePage();
    page.close();
    EXPECT_EQ(IniValue("eventinterval"), "<absent>");
}

// ---------------------------------------------------------------------------
// A peer that answers with scripted bytes, for answers the simulator would
// never give.

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::vector<Bytes> replies) : m_replies(std::move(replies)) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return;
        m_path = ptsname(m_master);
        m_slave = open(m_path.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(m_slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedPeer() {
        m_running = false;
        if (m_thread.joinable()) m_thread.join();
        if (m_slave >= 0) close(m_slave);
        if (m_master >= 0) close(m_master);
    }
    const std::string& path() const { return m_path; }
    int requests() const { return m_requests.load(); }

private:
    // Every request here is an 8-byte read; answer each with the next reply.
    void Serve() {
        Bytes pending;
        size_t next = 0;
        while (m_running) {
            pollfd pfd{m_master, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) continue;
            uint8_t buffer[64];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) continue;
            pending.insert(pending.end(), buffer, buffer + n);
            while (pending.size() >= 8) {
                pending.erase(pending.begin(), pending.begin() + 8);
                ++m_requests;
                if (next < m_replies.size()) {
                    const Bytes& reply = m_replies[next++];
                    if (write(m_master, reply.data(), reply.size()) < 0) return;
                }
            }
        }
    }

    std::vector<Bytes> m_replies;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_running{true};
    std::atomic<int> m_requests{0};
};

TEST(IoPageScripted, EventAnswerWithOtherByteCountChangesNothing) {
    ScriptedPeer peer({
        WithCrc({0x01, 0x03, 0x02, 0x02, 0x01}),  // word 0x0201
        WithCrc({0x01, 0x83, 0x04}),              // exception: one failure
        WithCrc({0x01, 0x03, 0x00}),              // good, but no word in it
    });
    ASSERT_FALSE(peer.path().empty());
    CSerialPort port;
    ASSERT_EQ(port.OpenDevice(peer.path(), 115200, 8, 0, 0, 0), 0);
    ModbusRequest request;
    request.port = &port;
    MessageRecorder messages;
    CPropIo page(CPropIo::FullEdition);
    page.SetPointers(nullptr, &request);
    page.Initialise();

    page.PollEvents();
    ASSERT_EQ(page.eventWord(), 0x0201);
    page.PollEvents();
    ASSERT_EQ(page.eventFailures(), 1);
    page.PollEvents();
    EXPECT_EQ(peer.requests(), 3);
    EXPECT_EQ(page.eventWord(), 0x0201);
    EXPECT_EQ(page.eventFailures(), 1);
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x0201);
    EXPECT_TRUE(messages.messages().isEmpty());
}

}  // namespace
