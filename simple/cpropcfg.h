#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "config_blocks.h"
#include "moduleworker.h"
#include "portcombobox.h"
#include "setting_controls.h"

class CControlIni;
class CPropIo;
class CSerialPort;
class ModuleSession;
class ModuleWorker;
class InterruptIndicatorRow;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The configuration page of the simple edition: serial port, the module's
// configuration (a chosen subset of its three parameter blocks), its serial
// bit rate, the device mode and the fieldbus functions, on one page. It keeps
// its own copies of the three blocks, so a write changes only the values this
// page shows and sends every other register as the module last reported it.
class CPropCfg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageWidth = 470;
    static constexpr int kPageHeight = 470;
    static constexpr int kMinLength = 1;
    static constexpr int kMaxLength = 144;

    explicit CPropCfg(QWidget* parent = nullptr);
    ~CPropCfg() override;

    // Set by the main window before Initialise; ioPage may be null. The
    // page's exchanges run on `worker`, its buttons wait while it is busy.
    void SetPointers(CControlIni* settings, CSerialPort* port, ModuleSession* session,
                     ModuleWorker* worker, CPropIo* ioPage);
    // Fills the lists, loads the settings and opens the port with them.
    void Initialise();

    void LoadSettings();
    // Only after a successful "修改配置".
    void SaveSettings();
    // Shows the three held blocks and gives the I/O page its lengths.
    void FillFromBlock();

    // Button handlers.
    void OnOpenPort();
    void OnReadConfig();
    void OnModifyConfig();
    void OnChangeBaudRate();
    void OnSendDeviceMode();
    void OnSendEmergency();
    void OnGetNetworkTime();
    // "搜索模块...": closes the port when it is open, searches the selected
    // port and every present device, and sets the two lists to what was
    // found.
    void OnSearchModule();

    QSize sizeHint() const override { return QSize(kPageWidth, kPageHeight); }

    // Controls, for the window and for tests.
    PortComboBox* portList() const { return m_portList; }
    QComboBox* bitRateList() const { return m_bitRateList; }
    QPushButton* changeBaudButton() const { return m_changeBaud; }
    QPushButton* openPortButton() const { return m_openPort; }
    QToolButton* searchModuleButton() const { return m_searchModule; }
    QLineEdit* inputLengthBox() const { return m_inputLengthBox; }
    QLineEdit* outputLengthBox() const { return m_outputLengthBox; }
    InterruptIndicatorRow* indicatorRow() const { return m_row; }
    QLineEdit* nodeAddressBox() const { return m_nodeAddressBox; }
    QComboBox* canBitRateList() const { return m_canBitRateList; }
    QLineEdit* emergencyCodeBox() const { return m_emergencyCodeBox; }
    QLineEdit* emergencyCustomBox() const { return m_emergencyCustomBox; }
    QPushButton* sendEmergencyButton() const { return m_sendEmergency; }
    QLineEdit* networkTimeBox() const { return m_networkTimeBox; }
    QPushButton* getNetworkTimeButton() const { return m_getNetworkTime; }
    QComboBox* moduleStateList() const { return m_moduleStateList; }
    QComboBox* deviceModeList() const { return m_deviceModeList; }
    QPushButton* sendDeviceModeButton() const { return m_sendDeviceMode; }
    QPushButton* readConfigButton() const { return m_readConfig; }
    QPushButton* modifyConfigButton() const { return m_modifyConfig; }

    // The held blocks as last read (and as changed by the last write).
    const uint8_t* generalBlock() const { return m_blocks.general; }
    const uint8_t* ioBlock() const { return m_blocks.io; }
    const uint8_t* fieldbusBlock() const { return m_blocks.fieldbus; }

private:
    // Opens the port when closed, else closes it. On the worker, the window
    // stays live while a network line connects; at start, before the window
    // shows, there is nothing to keep live and the open runs here.
    void ToggleOpen(bool onWorker);
    void BuildControls();
    void FillLists();
    // The lists and boxes config.ini keeps, with their keys.
    std::vector<ListSetting> SettingLists() const;
    std::vector<BoxSetting> SettingBoxes() const;
    // Takes both length boxes; false when one was refused (prompt shown).
    bool TakeLengths();
    // Writes the two lengths back into their boxes.
    void PushLengths();

    QPushButton* MakeButton(const QString& caption, int x, int y, int w, int h);
    // Runs exchanges on the worker; false when nothing ran (busy, or the
    // window closed), and the caller then shows nothing.
    bool RunOnModule(const std::function<void(ProcedureHook* hook)>& exchanges,
                     const ModuleWorker::Progress& progress = ModuleWorker::Progress());
    QLabel* MakeLabel(const QString& text, int x, int y, int w, int h);

    CControlIni* m_settings = nullptr;
    CSerialPort* m_port = nullptr;
    ModuleSession* m_session = nullptr;
    ModuleWorker* m_worker = nullptr;
    CPropIo* m_ioPage = nullptr;

    ConfigBlocks m_blocks;

    int m_inputLength = 0;
    int m_outputLength = 0;

    PortComboBox* m_portList = nullptr;
    QComboBox* m_bitRateList = nullptr;
    QPushButton* m_changeBaud = nullptr;
    QPushButton* m_openPort = nullptr;
    QToolButton* m_searchModule = nullptr;
    QLineEdit* m_inputLengthBox = nullptr;
    QLineEdit* m_outputLengthBox = nullptr;
    QGroupBox* m_interruptGroup = nullptr;
    InterruptIndicatorRow* m_row = nullptr;
    QLineEdit* m_nodeAddressBox = nullptr;
    QComboBox* m_canBitRateList = nullptr;
    QLineEdit* m_emergencyCodeBox = nullptr;
    QLineEdit* m_emergencyCustomBox = nullptr;
    QPushButton* m_sendEmergency = nullptr;
    QLineEdit* m_networkTimeBox = nullptr;
    QPushButton* m_getNetworkTime = nullptr;
    QComboBox* m_moduleStateList = nullptr;
    QComboBox* m_deviceModeList = nullptr;
    QPushButton* m_sendDeviceMode = nullptr;
    QPushButton* m_readConfig = nullptr;
    QPushButton* m_modifyConfig = nullptr;
};
