#include "cpropio.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "entry_rules.h"
#include "hexbytes.h"
#include "int_box.h"
#include "interruptindicatorrow.h"
#include "io_block.h"
#include "iopoller.h"
#include "messages.h"
#include "moduleworker.h"
#include "mycug.h"
#include "page_settings.h"
#include "register_map.h"
#include "plain_button.h"

namespace {

constexpr int kAreaSize = static_cast<int>(kIoAreaSize);
constexpr int kShortestPeriodMs = 10;

const char* const kEventFailedText = QT_TRANSLATE_NOOP("CPropIo", "获取中断事件失败!");
const char* const kChangeFieldFailedText = QT_TRANSLATE_NOOP("CPropIo", "读取输入数据改变域失败!");
const char* const kReadFailedText = QT_TRANSLATE_NOOP("CPropIo", "读取输出数据失败!");
const char* const kWriteFailedText = QT_TRANSLATE_NOOP("CPropIo", "写入输入数据失败!");

// Lengths the data operations use: a block may report more than the areas
// hold, but nothing is ever read or written beyond them.
int AreaLength(int length) {
    return std::clamp(length, 0, kAreaSize);
}

QLabel* MakeLabel(const QString& text, QWidget* parent, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    return label;
}

}  // namespace

struct CPropIo::State {
    Edition edition = FullEdition;
    CControlIni* settings = nullptr;
    IoPoller poller;  // used on the worker's thread while its exchange runs
    ModuleWorker* worker = nullptr;
    // Ticks that came while the worker was busy, one each.
    bool pending[kExchangeKinds] = {};
    bool pendingClick[kExchangeKinds] = {};  // "读数据", "写数据"

    MyCug* inputGrid = nullptr;
    MyCug* outputGrid = nullptr;
    QLineEdit* inputLengthBox = nullptr;   // full edition only
    QLineEdit* outputLengthBox = nullptr;  // full edition only
    QLineEdit* eventIntervalBox = nullptr;
    QPushButton* pollButton = nullptr;
    QLabel* changeLabel = nullptr;
    QLineEdit* changedBox = nullptr;
    QRadioButton* asSetRadio = nullptr;
    QRadioButton* incrementRadio = nullptr;
    QPushButton* writeButton = nullptr;
    QCheckBox* timedWriteCheck = nullptr;
    QLineEdit* inIntervalBox = nullptr;
    QPushButton* readButton = nullptr;
    QCheckBox* timedReadCheck = nullptr;
    QLineEdit* outIntervalBox = nullptr;
    QTimer* eventTimer = nullptr;  // "1"
    QTimer* readTimer = nullptr;   // "2"
    QTimer* writeTimer = nullptr;  // "3"

    int inputLength = 0;
    int outputLength = 0;
    uint8_t inputArea[kIoAreaSize] = {};
    uint8_t outputArea[kIoAreaSize] = {};
    std::string changedText;
    int outInterval = 0;
    int inInterval = 0;
    int eventInterval = 0;
    uint16_t eventWord = 0;
    bool timedRead = false;
    bool timedWrite = false;
    bool incrementMode = false;
    bool polling = false;

    // Depth of operations of this page in progress; ticks wait while > 0.
    int busy = 0;
    quint64 messages = 0;
    quint64 skippedTicks = 0;
    quint64 mergedTicks = 0;

    struct TimedMode {
        QTimer* timer;
        QCheckBox* check;
        bool* running;
        const int* interval;
        std::vector<QWidget*> locked;  // disabled while the timer runs
    };
    TimedMode Mode(CPropIo::TimedKind kind) {
        if (kind == CPropIo::TimedReading)
            return {
                readTimer, timedReadCheck, &timedRead, &outInterval, {readButton, outIntervalBox}};
        return {writeTimer,
                timedWriteCheck,
                &timedWrite,
                &inInterval,
                {writeButton, asSetRadio, incrementRadio, inIntervalBox}};
    }
};

namespace {

// Marks the page busy for the lifetime of the guard.
class BusyGuard {
public:
    explicit BusyGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~BusyGuard() { --m_depth; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    int& m_depth;
};

}  // namespace

CPropIo::CPropIo(Edition edition, QWidget* parent) : QWidget(parent), m_d(new State) {
    m_d->edition = edition;
    setFixedSize(470, 470);
    BuildControls();
}

CPropIo::~CPropIo() {
    m_d->eventTimer->stop();
    m_d->readTimer->stop();
    m_d->writeTimer->stop();
    delete m_d;
}

void CPropIo::BuildControls() {
    State& d = *m_d;
    const bool full = d.edition == FullEdition;
    int y = 8;

    if (full) {
        MakeLabel(tr("输入I/O长度:"), this, 15, y + 2, 85, 20);
        d.inputLengthBox = new QLineEdit(this);
        d.inputLengthBox->setObjectName("inputLengthBox");
        d.inputLengthBox->setGeometry(100, y, 60, 22);
        MakeLabel("(dec)", this, 165, y + 2, 40, 20);
        y += 26;
        MakeLabel(tr("输出I/O长度:"), this, 15, y + 2, 85, 20);
        d.outputLengthBox = new QLineEdit(this);
        d.outputLengthBox->setObjectName("outputLengthBox");
        d.outputLengthBox->setGeometry(100, y, 60, 22);
        MakeLabel("(dec)", this, 165, y + 2, 40, 20);
        y += 28;
    } else {
        y = 14;
    }

    MakeLabel(tr("中断事件:"), this, 15, y + 2, 70, 20);
    d.eventIntervalBox = new QLineEdit(this);
    d.eventIntervalBox->setObjectName("eventIntervalBox");
    d.eventIntervalBox->setGeometry(85, y, 60, 22);
    MakeLabel("ms", this, 150, y + 2, 25, 20);
    d.pollButton = MakeButton(tr("周期读取"), this);
    d.pollButton->setObjectName("pollButton");
    d.pollButton->setGeometry(185, y - 1, 90, 24);

    const int rowTop = full ? 90 : 43;
    m_row = new InterruptIndicatorRow(this, 15, rowTop, false);
    y = rowTop + 18 + 6;

    d.changeLabel = MakeLabel(full ? tr("I/O变化指示区(每个位反映输入数据区的8个字节):")
                                   : tr("I/O变化指示区(每个位反映输出数据区的8个字节):"),
                              this, 15, y, 440, 18);
    d.changeLabel->setObjectName("changeLabel");
    y += 20;
    d.changedBox = new QLineEdit(this);
    d.changedBox->setObjectName("changedBox");
    d.changedBox->setReadOnly(true);
    d.changedBox->setGeometry(15, y, 440, 22);
    y += 28;

    MakeLabel(tr("输入:"), this, 15, y, 60, 18);
    MakeLabel(tr("输出:"), this, 240, y, 60, 18);
    y += 20;

    // Two frames of equal size, side by side, down to the button rows.
    const int gridBottom = 400;
    d.inputGrid = new MyCug(kAreaSize, this);
    d.inputGrid->setObjectName("inputGrid");
    d.inputGrid->setReadOnly(false);
    d.inputGrid->setGeometry(15, y, 215, gridBottom - y);
    d.outputGrid = new MyCug(kAreaSize, this);
    d.outputGrid->setObjectName("outputGrid");
    d.outputGrid->setReadOnly(true);
    d.outputGrid->setGeometry(240, y, 215, gridBottom - y);

    d.asSetRadio = new QRadioButton(tr("自设"), this);
    d.asSetRadio->setObjectName("asSetRadio");
    d.asSetRadio->setGeometry(15, 408, 55, 22);
    d.incrementRadio = new QRadioButton(tr("加一"), this);
    d.incrementRadio->setObjectName("incrementRadio");
    d.incrementRadio->setGeometry(72, 408, 55, 22);
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(d.asSetRadio);
    modeGroup->addButton(d.incrementRadio);
    d.asSetRadio->setChecked(true);
    d.writeButton = MakeButton(tr("写数据"), this);
    d.writeButton->setObjectName("writeButton");
    d.writeButton->setGeometry(140, 407, 90, 24);
    d.timedWriteCheck = new QCheckBox(tr("定时写入(ms)"), this);
    d.timedWriteCheck->setObjectName("timedWriteCheck");
    d.timedWriteCheck->setGeometry(15, 438, 110, 22);
    d.inIntervalBox = new QLineEdit(this);
    d.inIntervalBox->setObjectName("inIntervalBox");
    d.inIntervalBox->setGeometry(130, 438, 60, 22);

    d.readButton = MakeButton(tr("读数据"), this);
    d.readButton->setObjectName("readButton");
    d.readButton->setGeometry(365, 407, 90, 24);
    d.timedReadCheck = new QCheckBox(tr("定时读取(ms)"), this);
    d.timedReadCheck->setObjectName("timedReadCheck");
    d.timedReadCheck->setGeometry(240, 438, 110, 22);
    d.outIntervalBox = new QLineEdit(this);
    d.outIntervalBox->setObjectName("outIntervalBox");
    d.outIntervalBox->setGeometry(355, 438, 60, 22);

    d.eventTimer = new QTimer(this);
    d.eventTimer->setObjectName("1");
    d.readTimer = new QTimer(this);
    d.readTimer->setObjectName("2");
    d.writeTimer = new QTimer(this);
    d.writeTimer->setObjectName("3");
    for (QTimer* timer : {d.eventTimer, d.readTimer, d.writeTimer})
        timer->setTimerType(Qt::PreciseTimer);
    connect(d.eventTimer, &QTimer::timeout, this, &CPropIo::OnEventTick);
    connect(d.readTimer, &QTimer::timeout, this, &CPropIo::OnReadTick);
    connect(d.writeTimer, &QTimer::timeout, this, &CPropIo::OnWriteTick);

    connect(d.pollButton, &QPushButton::clicked, this, [this] { OnPollingClicked(); });
    connect(d.readButton, &QPushButton::clicked, this, [this] { Click(kReadExchange); });
    connect(d.writeButton, &QPushButton::clicked, this, [this] { Click(kWriteExchange); });
    connect(d.timedReadCheck, &QCheckBox::clicked, this,
            [this](bool checked) { OnTimedClicked(TimedReading, checked); });
    connect(d.timedWriteCheck, &QCheckBox::clicked, this,
            [this](bool checked) { OnTimedClicked(TimedWriting, checked); });
    connect(d.asSetRadio, &QRadioButton::toggled, this,
            [this](bool on) { m_d->incrementMode = !on; });

    RefreshBoxes();
}

void CPropIo::SetPointers(CControlIni* settings, ModuleSession* session, ModuleWorker* worker) {
    State& d = *m_d;
    d.settings = settings;
    d.poller.SetSession(session);
    d.worker = worker;
    if (worker != nullptr) connect(worker, &ModuleWorker::idle, this, &CPropIo::OnWorkerIdle);
}

void CPropIo::Initialise() {
    m_row->ShowInterruptMask(0);
    m_d->asSetRadio->setChecked(true);
    LoadSettings();
}

// ---------------------------------------------------------------------------
// Boxes

std::vector<CPropIo::BoxField> CPropIo::NumberBoxes() const {
    State& d = *m_d;
    std::vector<BoxField> boxes;
    if (d.edition == FullEdition) {
        boxes.push_back(
            {d.inputLengthBox, kIoLengthEntry.low, kIoLengthEntry.high, &d.inputLength});
        boxes.push_back(
            {d.outputLengthBox, kIoLengthEntry.low, kIoLengthEntry.high, &d.outputLength});
    }
    boxes.push_back({d.eventIntervalBox, INT_MIN, INT_MAX, &d.eventInterval});
    boxes.push_back({d.inIntervalBox, INT_MIN, INT_MAX, &d.inInterval});
    boxes.push_back({d.outIntervalBox, INT_MIN, INT_MAX, &d.outInterval});
    return boxes;
}

bool CPropIo::TakeBoxes() {
    const std::vector<BoxField> boxes = NumberBoxes();
    // All boxes are checked before any field changes, so a refused box leaves
    // every field as it was.
    std::vector<int> values;
    for (const BoxField& box : boxes) {
        int value = *box.field;
        if (!TakeIntBox(box.box, box.low, box.high, &value)) return false;
        values.push_back(value);
    }
    for (size_t i = 0; i < boxes.size(); ++i) *boxes[i].field = values[i];
    m_d->changedText = m_d->changedBox->text().toStdString();
    return true;
}

void CPropIo::TakeEachBox() {
    bool reported = false;
    for (const BoxField& box : NumberBoxes()) {
        int value = 0;
        // The first refusal is prompted; any later one keeps its field as
        // quietly, so that closing the window raises at most one prompt.
        const bool taken = reported ? ReadIntText(box.box->text(), box.low, box.high, &value)
                                    : TakeIntBox(box.box, box.low, box.high, &value);
        if (taken)
            *box.field = value;
        else
            reported = true;
    }
    m_d->changedText = m_d->changedBox->text().toStdString();
}

void CPropIo::RefreshBoxes() {
    State& d = *m_d;
    if (d.edition == FullEdition) {
        d.inputLengthBox->setText(QString::number(d.inputLength));
        d.outputLengthBox->setText(QString::number(d.outputLength));
    }
    d.eventIntervalBox->setText(QString::number(d.eventInterval));
    d.inIntervalBox->setText(QString::number(d.inInterval));
    d.outIntervalBox->setText(QString::number(d.outInterval));
    d.changedBox->setText(QString::fromStdString(d.changedText));
}

void CPropIo::ShowOnGrid(MyCug* grid, const uint8_t* area, int length) {
    grid->SetBytes(area, AreaLength(length));
}

// ---------------------------------------------------------------------------
// Exchanges

void CPropIo::Message(const QString& text) {
    BusyGuard guard(m_d->busy);
    ++m_d->messages;
    ShowMessage(this, text);
}

bool CPropIo::TickMayRun() {
    if (m_d->busy > 0 || IsMessageOpen()) {
        ++m_d->skippedTicks;
        return false;
    }
    return true;
}

int CPropIo::TimerPeriod(int intervalMs) {
    return std::max(intervalMs, kShortestPeriodMs);
}

void CPropIo::OnEventTick() {
    // A tick that was already queued when its mode was switched off.
    if (!m_d->polling) return;
    Tick(kEventExchange);
}

void CPropIo::OnReadTick() {
    if (!m_d->timedRead) return;
    Tick(kReadExchange);
}

void CPropIo::OnWriteTick() {
    if (!m_d->timedWrite) return;
    Tick(kWriteExchange);
}

void CPropIo::Tick(Exchange exchange) {
    if (!TickMayRun()) return;
    // While the module is busy the tick is remembered once: it runs when the
    // worker is free, and further ticks meanwhile are dropped, so the line
    // never builds a backlog.
    if (StartExchange(exchange, true)) return;
    if (m_d->pending[exchange]) ++m_d->mergedTicks;
    m_d->pending[exchange] = true;
}

void CPropIo::Click(Exchange exchange) {
    // The buttons stay usable while a timer keeps the worker busy: the click
    // goes out once the exchange on the line is over.
    if (!StartExchange(exchange, false)) m_d->pendingClick[exchange] = true;
}

bool CPropIo::TimedModeOn(Exchange exchange) const {
    switch (exchange) {
        case kEventExchange:
            return m_d->polling;
        case kReadExchange:
            return m_d->timedRead;
        case kWriteExchange:
            break;
    }
    return m_d->timedWrite;
}

void CPropIo::OnWorkerIdle() {
    State& d = *m_d;
    if (d.busy > 0 || IsMessageOpen() || d.worker == nullptr || d.worker->busy()) return;
    for (int k = 0; k < kExchangeKinds; ++k) {
        const auto exchange = static_cast<Exchange>(k);
        if (!d.pendingClick[exchange]) continue;
        if (!StartExchange(exchange, false)) return;
        d.pendingClick[exchange] = false;
        return;
    }
    for (int k = 0; k < kExchangeKinds; ++k) {
        const auto exchange = static_cast<Exchange>(k);
        if (!d.pending[exchange]) continue;
        // A mode switched off meanwhile forgets its tick.
        if (!TimedModeOn(exchange)) {
            d.pending[exchange] = false;
            ++d.mergedTicks;
            continue;
        }
        if (!StartExchange(exchange, true)) return;
        d.pending[exchange] = false;
        return;
    }
}

bool CPropIo::StartExchange(Exchange exchange, bool timed) {
    State& d = *m_d;
    if (d.worker == nullptr || d.worker->busy()) return false;
    IoPoller* poller = &d.poller;
    switch (exchange) {
        case kEventExchange: {
            auto poll = std::make_shared<IoPoller::EventPoll>();
            return d.worker->Start([poller, poll] { *poll = poller->PollEvents(); },
                                   [this, poll] { ShowEvents(*poll); });
        }
        case kReadExchange: {
            auto read = std::make_shared<IoPoller::OutputRead>();
            const int length = d.outputLength;
            return d.worker->Start(
                [poller, read, length, timed] { *read = poller->ReadOutput(length, timed); },
                [this, read, timed] { ShowOutput(*read, timed); });
        }
        case kWriteExchange:
            break;
    }
    // The grid's bytes are taken now: the user may edit it while the write
    // goes out.
    auto write = std::make_shared<IoPoller::InputWrite>();
    std::vector<uint8_t> area(d.inputArea, d.inputArea + kIoAreaSize);
    std::vector<uint8_t> shown(d.inputGrid->data(), d.inputGrid->data() + d.inputGrid->used());
    const int length = d.inputLength;
    const bool increment = d.incrementMode;
    return d.worker->Start(
        [poller, write, area = std::move(area), shown = std::move(shown), length, increment,
         timed] {
            *write = poller->WriteInput(area.data(), shown.data(), static_cast<int>(shown.size()),
                                        length, increment, timed);
        },
        [this, write, timed] { ShowInput(*write, timed); });
}

void CPropIo::PollEvents() {
    StartExchange(kEventExchange, false);
}

void CPropIo::ShowEvents(const IoPoller::EventPoll& poll) {
    State& d = *m_d;
    if (poll.outcome == IoPoller::kGaveUp) {
        StopPolling();
        Message(tr(kEventFailedText));
        return;
    }
    if (poll.outcome != IoPoller::kDone) return;
    d.eventWord = poll.word;
    m_row->ShowInterruptMask(poll.word);
    if (!poll.changeFieldAsked) return;
    if (poll.changeFieldStatus != kModuleOk) {
        Message(tr(kChangeFieldFailedText));
        return;
    }
    // Bit k of the field (byte 0 first, least significant bit first) stands
    // for row k of the output grid; rows the field does not reach keep their
    // look.
    const int rows = std::min(d.outputGrid->rows(), static_cast<int>(poll.changeFieldCopied) * 8);
    for (int k = 0; k < rows; ++k) {
        const bool set = (poll.changeField[k / 8] >> (k % 8)) & 1;
        d.outputGrid->MarkRowHeading(k, set);
    }
    d.changedText = FormatHexBytes(poll.changeField, sizeof poll.changeField);
    RefreshBoxes();
}

void CPropIo::ShowOutput(const IoPoller::OutputRead& read, bool timed) {
    State& d = *m_d;
    if (read.outcome == IoPoller::kGaveUp) {
        StopTimed(TimedReading);
        Message(tr(kReadFailedText));
        return;
    }
    if (read.outcome != IoPoller::kDone) {
        if (!timed) Message(tr(kReadFailedText));
        return;
    }
    d.outputLength = read.length;
    std::memcpy(d.outputArea, read.area, sizeof d.outputArea);
    ShowOnGrid(d.outputGrid, d.outputArea, d.outputLength);
}

void CPropIo::ShowInput(const IoPoller::InputWrite& write, bool timed) {
    State& d = *m_d;
    std::memcpy(d.inputArea, write.area, sizeof d.inputArea);
    if (write.outcome == IoPoller::kGaveUp) {
        StopTimed(TimedWriting);
        Message(tr(kWriteFailedText));
        return;
    }
    if (write.outcome != IoPoller::kDone) {
        if (!timed) Message(tr(kWriteFailedText));
        return;
    }
    ShowOnGrid(d.inputGrid, d.inputArea, write.length);
}

// ---------------------------------------------------------------------------
// Timers

void CPropIo::OnPollingClicked() {
    State& d = *m_d;
    if (!d.polling) {
        if (!TakeBoxes()) return;
        d.polling = true;
        d.eventTimer->start(TimerPeriod(d.eventInterval));
        d.pollButton->setText(tr("停止读取"));
    } else {
        // Stopping never depends on what the boxes hold.
        TakeBoxes();
        StopPolling();
    }
}

void CPropIo::StopPolling() {
    State& d = *m_d;
    d.polling = false;
    d.eventTimer->stop();
    d.pollButton->setText(tr("周期读取"));
}

void CPropIo::OnTimedClicked(TimedKind kind, bool checked) {
    const State::TimedMode mode = m_d->Mode(kind);
    if (checked) {
        if (!TakeBoxes()) {
            mode.check->setChecked(false);
            return;
        }
        *mode.running = true;
        mode.timer->start(TimerPeriod(*mode.interval));
        for (QWidget* control : mode.locked) control->setEnabled(false);
    } else {
        // Stopping never depends on what the boxes hold.
        TakeBoxes();
        StopTimed(kind);
    }
}

void CPropIo::StopTimed(TimedKind kind) {
    const State::TimedMode mode = m_d->Mode(kind);
    mode.timer->stop();
    mode.check->setChecked(false);
    *mode.running = false;
    for (QWidget* control : mode.locked) control->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Blocks and settings

void CPropIo::FillFromBlock(const uint8_t* block) {
    State& d = *m_d;
    d.inputLength = IoInputLength(block);
    d.outputLength = IoOutputLength(block);
    d.changedText = FormatHexBytes(IoChangeField(block), kChangeFieldSize);
    if (d.inputLength < kAreaSize) ShowOnGrid(d.inputGrid, d.inputArea, d.inputLength);
    if (d.outputLength < kAreaSize) ShowOnGrid(d.outputGrid, d.outputArea, d.outputLength);
    RefreshBoxes();
}

void CPropIo::SetIoLengths(int inputLength, int outputLength) {
    State& d = *m_d;
    if (inputLength < 0 || outputLength < 0 || inputLength > kAreaSize || outputLength > kAreaSize)
        return;
    d.inputLength = inputLength;
    d.outputLength = outputLength;
    std::memset(d.inputArea, 0, sizeof d.inputArea);
    std::memset(d.outputArea, 0, sizeof d.outputArea);
    // The whole grid buffers are cleared so that no hidden byte survives.
    d.inputGrid->SetBytes(d.inputArea, kAreaSize);
    d.outputGrid->SetBytes(d.outputArea, kAreaSize);
    d.inputGrid->setUsed(inputLength);
    d.outputGrid->setUsed(outputLength);
    d.inputGrid->RedrawAll();
    d.outputGrid->RedrawAll();
}

const SettingList& CPropIo::Settings() const {
    return m_d->edition == FullEdition ? kFullIoPageSettings : kSimpleIoPageSettings;
}

void CPropIo::LoadSettings() {
    State& d = *m_d;
    if (!d.settings) return;
    SettingValues values;
    ReadSettings(*d.settings, Settings(), &values);
    values.Text(kIoChanged, &d.changedText);
    d.outInterval = values.Int(kIoOutInterval);
    d.inInterval = values.Int(kIoInInterval);
    d.eventInterval = values.Int(kIoEventInterval);
    // The data lists decide the lengths ("input" and "output" are read but
    // replaced); more than the area holds loads as the first 144 bytes.
    const std::vector<uint8_t>& input = values.Bytes(kIoInputData);
    std::memset(d.inputArea, 0, sizeof d.inputArea);
    std::memcpy(d.inputArea, input.data(), input.size());
    d.inputLength = static_cast<int>(input.size());
    ShowOnGrid(d.inputGrid, d.inputArea, d.inputLength);
    const std::vector<uint8_t>& output = values.Bytes(kIoOutputData);
    std::memset(d.outputArea, 0, sizeof d.outputArea);
    std::memcpy(d.outputArea, output.data(), output.size());
    d.outputLength = static_cast<int>(output.size());
    ShowOnGrid(d.outputGrid, d.outputArea, d.outputLength);
    RefreshBoxes();
}

void CPropIo::SaveSettings() {
    State& d = *m_d;
    if (!d.settings) return;
    // A refused box keeps its field, the value last loaded or taken, so every
    // key is still written.
    TakeEachBox();
    SettingValues values;
    values.SetInt(kIoInput, d.inputLength);
    values.SetInt(kIoOutput, d.outputLength);
    values.SetText(kIoChanged, d.changedText);
    values.SetInt(kIoOutInterval, d.outInterval);
    values.SetInt(kIoInInterval, d.inInterval);
    values.SetInt(kIoEventInterval, d.eventInterval);
    values.SetBytes(kIoInputData, d.inputArea, static_cast<size_t>(AreaLength(d.inputLength)));
    values.SetBytes(kIoOutputData, d.outputArea, static_cast<size_t>(AreaLength(d.outputLength)));
    WriteSettings(d.settings, Settings(), values);
}

void CPropIo::closeEvent(QCloseEvent* event) {
    if (m_d->edition == SimpleEdition) SaveSettings();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------
// Accessors

int CPropIo::inputLength() const {
    return m_d->inputLength;
}
int CPropIo::outputLength() const {
    return m_d->outputLength;
}
MyCug* CPropIo::inputGrid() const {
    return m_d->inputGrid;
}
MyCug* CPropIo::outputGrid() const {
    return m_d->outputGrid;
}
CPropIo::Edition CPropIo::edition() const {
    return m_d->edition;
}
const uint8_t* CPropIo::inputArea() const {
    return m_d->inputArea;
}
const uint8_t* CPropIo::outputArea() const {
    return m_d->outputArea;
}
const std::string& CPropIo::changedText() const {
    return m_d->changedText;
}
int CPropIo::eventInterval() const {
    return m_d->eventInterval;
}
int CPropIo::inInterval() const {
    return m_d->inInterval;
}
int CPropIo::outInterval() const {
    return m_d->outInterval;
}
int CPropIo::eventFailures() const {
    return m_d->poller.eventFailures();
}
int CPropIo::readFailures() const {
    return m_d->poller.readFailures();
}
int CPropIo::writeFailures() const {
    return m_d->poller.writeFailures();
}
uint16_t CPropIo::eventWord() const {
    return m_d->eventWord;
}
bool CPropIo::polling() const {
    return m_d->polling;
}
bool CPropIo::timedRead() const {
    return m_d->timedRead;
}
bool CPropIo::timedWrite() const {
    return m_d->timedWrite;
}
bool CPropIo::incrementMode() const {
    return m_d->incrementMode;
}
quint64 CPropIo::exchangeCount() const {
    return m_d->poller.exchangeCount();
}
quint64 CPropIo::failureCount() const {
    return m_d->poller.failureCount();
}
quint64 CPropIo::messageCount() const {
    return m_d->messages;
}
quint64 CPropIo::mergedTickCount() const {
    return m_d->mergedTicks;
}

quint64 CPropIo::skippedTickCount() const {
    return m_d->skippedTicks;
}
