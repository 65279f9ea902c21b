#pragma once

#include <QDialog>
#include <string>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "cserialport.h"
#include "modulesession.h"

class CPropCfg;
class CPropIo;
class CTabSheet;
class ModuleWorker;
class WireMonitor;

// Main window of the simple edition: a tab sheet with the configuration page,
// the I/O page and the wire monitor ("通信"). It owns the serial port, the request record and the
// settings accessor for its whole life and lends them to the pages.
class CQuillonDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kSkinFile = "Office2007.cjstyles";

    // programFolder: the executable's folder in the program, a test folder in
    // tests. config.ini and Styles/ are looked for there first, then where
    // an installed program keeps them (program_paths.h).
    explicit CQuillonDlg(const std::string& programFolder = ExecutableFolder(),
                         QWidget* parent = nullptr);
    ~CQuillonDlg() override;

    CTabSheet* tabSheet() const { return m_tabSheet; }
    CPropCfg* cfgPage() const { return m_cfgPage; }
    CPropIo* ioPage() const { return m_ioPage; }
    WireMonitor* monitor() const { return m_monitor; }
    CSerialPort* port() { return &m_port; }
    ModuleSession* session() { return &m_session; }
    // The thread every exchange of this window and its pages runs on.
    ModuleWorker* worker() const { return m_worker; }
    CControlIni* settings() { return &m_settings; }
    const std::string& skinFolder() const { return m_skinFolder; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnInitDialog();
    void LoadSkin();

    CControlIni m_settings;
    IniPortDirectory m_portDirectory{&m_settings};
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    ModuleWorker* m_worker = nullptr;  // a child, deleted first
    std::string m_skinFolder;
    CTabSheet* m_tabSheet = nullptr;
    CPropCfg* m_cfgPage = nullptr;
    CPropIo* m_ioPage = nullptr;
    WireMonitor* m_monitor = nullptr;
};
