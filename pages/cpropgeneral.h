#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "setting_controls.h"

class CControlIni;
class CSerialPort;
class InterruptIndicatorRow;
class QLineEdit;

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

    // SPI selected: the SPI lists and the frame-interval edit are enabled and
    // the four UART lists disabled; UART selected: the reverse. The Modbus
    // address edit stays disabled either way.
    void ApplyInterfaceMode();

    InterruptIndicatorRow* indicatorRow() const { return m_row; }
    // The 28 fault values as the page holds them.
    const uint8_t* faultValues() const;

private:
    void CreateControls();
    void FillLists();
    // Runs "FB Fault Value" on the fault values; called when the user sets
    // the offline or idle list to "默认值".
    void RunFaultValueDialog();
    // The UART baud-rate position: only an item picked from the list counts,
    // typed text gives -1.
    int UartBaudPosition() const;
    // The lists and boxes config.ini keeps, with their keys.
    void SettingControls(std::vector<ListSetting>* lists, std::vector<BoxSetting>* boxes) const;
    // An empty box gives 0; any other text must be an integer in 0-65535.
    static bool TakeWordBox(QLineEdit* box, uint16_t* value);

    InterruptIndicatorRow* m_row = nullptr;
    struct Controls;
    Controls* m_ui;
    CSerialPort* m_port = nullptr;
    CControlIni* m_settings = nullptr;
};
