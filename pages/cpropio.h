#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "iopoller.h"

class CControlIni;
class InterruptIndicatorRow;
class MyCug;
class ModuleSession;
class ModuleWorker;
class QLineEdit;
struct SettingList;

// The I/O page, shared by both editions: process data, event polling and the
// change field.
//
// The exchanges and the rule that stops a timer after failures belong to the
// IoPoller; the page starts them from a button or from one of three timers
// named "1" (event polling), "2" (timed read) and "3" (timed write), and
// shows what came back. The exchanges run on the program's module worker;
// a tick that arrives while the worker is busy is remembered once and runs
// when it is free, and a tick while a message box is open is skipped: never
// nested, never queued.
class CPropIo : public QWidget {
    Q_OBJECT
public:
    enum Edition { FullEdition, SimpleEdition };
    explicit CPropIo(Edition edition, QWidget* parent = nullptr);
    ~CPropIo() override;

    void SetPointers(CControlIni* settings, ModuleSession* session, ModuleWorker* worker);
    void Initialise();
    void LoadSettings();
    void SaveSettings();

    // Full edition: shows a held 22-byte IoParamBlock.
    void FillFromBlock(const uint8_t* block);
    // Simple edition: new lengths, both areas cleared; ignored above 144.
    void SetIoLengths(int inputLength, int outputLength);
    // Copies the boxes to the fields; false when a box was refused (prompt
    // shown, the taking operation must stop).
    bool TakeBoxes();
    void RefreshBoxes();

    int inputLength() const;
    int outputLength() const;

    InterruptIndicatorRow* indicatorRow() const { return m_row; }
    MyCug* inputGrid() const;
    MyCug* outputGrid() const;

    // Timer 1's tick without the tick rules: the event word, and the change
    // field its I/O bit asks for (started on the worker; nothing while busy).
    void PollEvents();

    Edition edition() const;

    // Field values, for the main windows and for tests.
    const uint8_t* inputArea() const;
    const uint8_t* outputArea() const;
    const std::string& changedText() const;
    int eventInterval() const;
    int inInterval() const;
    int outInterval() const;
    int eventFailures() const;
    int readFailures() const;
    int writeFailures() const;
    uint16_t eventWord() const;
    bool polling() const;
    bool timedRead() const;
    bool timedWrite() const;
    bool incrementMode() const;

    // Running totals for soak tests: exchanges started, exchanges that were
    // not accepted, message boxes raised by this page, and timer ticks that
    // were skipped because a message box was open.
    quint64 exchangeCount() const;
    quint64 failureCount() const;
    quint64 messageCount() const;
    quint64 skippedTickCount() const;
    // Ticks that came while their timer's previous tick still waited for
    // the worker, or whose mode was switched off before it was free: they
    // ran as that one exchange, as a busy thread's timer events merge.
    quint64 mergedTickCount() const;

    // The period a timer runs at for a period typed in ms (never below 10).
    static int TimerPeriod(int intervalMs);

public slots:
    // Timer ticks (also callable directly). Each is skipped while this page
    // is inside an exchange or any message box is open.
    void OnEventTick();
    void OnReadTick();
    void OnWriteTick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    // A whole-number box and the field it is taken into.
    struct BoxField {
        QLineEdit* box;
        int low;
        int high;
        int* field;
    };
    std::vector<BoxField> NumberBoxes() const;
    // Takes every box that holds an acceptable number; a refused box keeps
    // its field.
    void TakeEachBox();
    void OnPollingClicked();
    // Timed reading (timer 2) and timed writing (timer 3) switch the same
    // way; they differ in their timer, box, period and locked controls.
    enum TimedKind { TimedReading, TimedWriting };
    void OnTimedClicked(TimedKind kind, bool checked);
    void StopPolling();
    void StopTimed(TimedKind kind);
    void ShowOnGrid(MyCug* grid, const uint8_t* area, int length);
    // The exchanges of timers 1, 2 and 3, and of their buttons.
    enum Exchange { kEventExchange, kReadExchange, kWriteExchange };
    static constexpr int kExchangeKinds = kWriteExchange + 1;
    void Tick(Exchange exchange);
    void Click(Exchange exchange);
    // Starts the exchange on the worker; false when it is busy.
    bool StartExchange(Exchange exchange, bool timed);
    bool TimedModeOn(Exchange exchange) const;
    void OnWorkerIdle();
    // What came back, shown on the page's thread.
    void ShowEvents(const IoPoller::EventPoll& poll);
    void ShowOutput(const IoPoller::OutputRead& read, bool timed);
    void ShowInput(const IoPoller::InputWrite& write, bool timed);
    void Message(const QString& text);
    // The keys of this edition's page.
    const SettingList& Settings() const;
    bool TickMayRun();

    InterruptIndicatorRow* m_row = nullptr;
    struct State;
    State* m_d;
};
