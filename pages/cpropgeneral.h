#pragma once

#include <QWidget>
#include <cstdint>

class CControlIni;
class CSerialPort;
class InterruptIndicatorRow;

// The general-parameters page ("通用参数"). Translates between its controls
// and the GeneralParamBlock; never talks to the module itself.
class CPropGeneral : public QWidget {
    Q_OBJECT
public:
    explicit CPropGeneral(QWidget* parent = nullptr);
    ~CPropGeneral() override;

    void SetPointers(CSerialPort* port, CControlIni* settings);
    void Initialise();
    void LoadSettings();
    void SaveSettings();

    // Sets the controls (and SwitchCodingMode) from a held 62-byte block.
    void FillFromBlock(const uint8_t* block);
    // Copies the controls to the fields and, with a block, writes them into
    // it. Returns false when an entry is refused (a prompt was shown and the
    // caller must send nothing); the block is then left unchanged.
    bool BuildBlock(uint8_t* block);

    InterruptIndicatorRow* indicatorRow() const { return m_row; }

private:
    InterruptIndicatorRow* m_row = nullptr;
    struct Controls;
    Controls* m_ui;
    CSerialPort* m_port = nullptr;
    CControlIni* m_settings = nullptr;
};
