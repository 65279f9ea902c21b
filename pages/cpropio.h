#pragma once

#include <QWidget>
#include <cstdint>

class CControlIni;
class InterruptIndicatorRow;
class MyCug;
struct ModbusRequest;

// The I/O page, shared by both editions: process data, event polling and the
// change field.
class CPropIo : public QWidget {
    Q_OBJECT
public:
    enum Edition { FullEdition, SimpleEdition };
    explicit CPropIo(Edition edition, QWidget* parent = nullptr);
    ~CPropIo() override;

    void SetPointers(CControlIni* settings, ModbusRequest* request);
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

    void PollEvents();
    void ReadChangeField();
    void ReadOutputData(bool timed);
    void WriteInputData(bool timed);

private:
    InterruptIndicatorRow* m_row = nullptr;
    struct State;
    State* m_d;
};
