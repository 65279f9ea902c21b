#pragma once

#include <QWidget>
#include <vector>

#include "portcombobox.h"
#include "setting_controls.h"

class CControlIni;
class CSerialPort;
class QComboBox;
class QLabel;
class QTimer;
class ModuleSession;
class ModuleWorker;
class QPushButton;
class WireMonitor;

// The serial-port page ("串口"): picks the line settings and opens or closes
// the program's one port; remembers the six settings in [com].
class CPropCom : public QWidget {
    Q_OBJECT
public:
    explicit CPropCom(QWidget* parent = nullptr);

    // Given by the main window before Initialise; not owned.
    void SetPointers(CSerialPort* port, CControlIni* settings);
    // The port opens, closes and is searched only while no exchange runs;
    // the search runs on the worker, and the session's observers (the wire
    // monitor) see its tries. session may be null.
    void SetWorker(ModuleWorker* worker, ModuleSession* session);
    // Fills the lists, "打开" enabled, "关闭" disabled, then LoadSettings.
    void Initialise();
    void LoadSettings();
    void SaveSettings();

    void OnOpen();
    void OnClose();
    // "搜索模块...": closes the port when it is open, searches the selected
    // port and every present device, and sets the lists to what was found.
    void OnSearchModule();

    PortComboBox* portList() const { return m_port; }
    QComboBox* baudList() const { return m_baud; }
    QComboBox* dataBitsList() const { return m_dataBits; }
    QComboBox* stopBitsList() const { return m_stopBits; }
    QComboBox* flowList() const { return m_flow; }
    QComboBox* parityList() const { return m_parity; }
    QPushButton* openButton() const { return m_openButton; }
    QPushButton* closeButton() const { return m_closeButton; }
    QPushButton* searchButton() const { return m_searchButton; }
    // The "通信监视" group below the port controls; the main window attaches
    // it to its session.
    WireMonitor* monitor() const { return m_monitor; }
    QLabel* echoLabel() const { return m_echoLabel; }
    // Shows the port's local-echo state as the last exchanges found it.
    void UpdateEchoState();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The lists config.ini keeps, with their keys.
    std::vector<ListSetting> Lists() const;
    // Closes the port and sets the buttons to match; false when it was not open.
    bool ClosePort();

    CSerialPort* m_serial = nullptr;
    CControlIni* m_settings = nullptr;
    PortComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_dataBits = nullptr;
    QComboBox* m_stopBits = nullptr;
    QComboBox* m_flow = nullptr;
    QComboBox* m_parity = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_echoLabel = nullptr;
    QTimer* m_echoTimer = nullptr;
    WireMonitor* m_monitor = nullptr;
    ModuleWorker* m_worker = nullptr;
    ModuleSession* m_session = nullptr;
};
