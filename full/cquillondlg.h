#pragma once

#include <QDialog>
#include <QPixmap>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ccontrolini.h"
#include "config_blocks.h"
#include "cserialport.h"
#include "iniportdirectory.h"
#include "modulesession.h"

class CPropCom;
class CPropGeneral;
class CPropIo;
class CPropProtocol;
class CTabSheet;
class ModuleWorker;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The full edition's main window. Owns the port, the one request record, the
// settings accessor, the three parameter blocks as held between a read and a
// write, and the four pages; moves the blocks between the module and the
// pages ("读取配置", "修改配置") and sends the device-mode command ("发送").
class CQuillonDlg : public QDialog {
    Q_OBJECT
public:
    // programFolder: the executable's folder (a trailing '/' is added when
    // missing). config.ini and Styles/ are looked for there first, then where
    // an installed program keeps them (program_paths.h).
    explicit CQuillonDlg(const std::string& programFolder, QWidget* parent = nullptr);
    ~CQuillonDlg() override;

    static constexpr int kThemeCount = 5;
    static constexpr int kLampCount = 4;

    void OnReadConfig();
    void OnModifyConfig();
    void OnSendDeviceMode();
    void OnThemeClicked(int theme);
    // Lamps from bits 3..0 of held general byte 9, device-mode list from
    // register 0x5001.
    void UpdateStatusDisplay();

    // "保存到文件...", "从文件载入...", "与文件比较...": ask for the path,
    // then go on as below.
    void OnSaveToFile();
    void OnLoadFromFile();
    void OnCompareWithFile();
    // Save: reads the module's three blocks, then writes the file atomically.
    void SaveToFile(const QString& path);
    // Load: reads the file, then the module, shows the differences and, when
    // confirmed, writes the groups that differ; the pages are then read back.
    void LoadFromFile(const QString& path);
    // Compare: the differences only.
    void CompareWithFile(const QString& path);

    // Asks for a configuration file; an empty path cancels. Tests replace it
    // (an empty function restores the file dialog).
    enum class FileUse { Save, Open };
    using FileChooser = std::function<QString(FileUse use)>;
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    CTabSheet* tabSheet() const { return m_tabs; }
    CPropCom* comPage() const { return m_comPage; }
    CPropGeneral* generalPage() const { return m_generalPage; }
    CPropIo* ioPage() const { return m_ioPage; }
    CPropProtocol* fieldbusPage() const { return m_fieldbusPage; }
    QComboBox* deviceModeList() const { return m_deviceMode; }
    QPushButton* readButton() const { return m_readButton; }
    QPushButton* modifyButton() const { return m_modifyButton; }
    QPushButton* sendButton() const { return m_sendButton; }
    QPushButton* saveFileButton() const { return m_saveFileButton; }
    QPushButton* loadFileButton() const { return m_loadFileButton; }
    QPushButton* compareFileButton() const { return m_compareFileButton; }
    QRadioButton* themeRadio(int theme) const { return m_themeRadios[theme]; }
    QLabel* lamp(int index) const { return m_lamps[index]; }
    bool IsLampLit(int index) const { return m_lampLit[index]; }
    int theme() const { return m_theme; }

    CSerialPort& port() { return m_port; }
    CControlIni& settings() { return m_settings; }
    ModuleSession& session() { return m_session; }
    // The thread every exchange of this window and its pages runs on.
    ModuleWorker* worker() const { return m_worker; }
    const uint8_t* generalBlock() const { return m_blocks.general; }
    const uint8_t* ioBlock() const { return m_blocks.io; }
    const uint8_t* fieldbusBlock() const { return m_blocks.fieldbus; }

    // The two lamp pictures, drawn by the program (32 x 32).
    static QPixmap LampPixmap(bool lit);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void InitialisePages();
    void ApplyTheme();
    void SetLamp(int index, bool lit);

    // "读取配置" without its message box: the failure text, empty on success
    // (and when the window closed meanwhile).
    QString ReadConfiguration();
    // How long closing waits for the exchange in progress.
    int ExchangeBoundMs() const;
    // The three blocks for a file operation, each whole; failures are told
    // with the messages of "读取配置". The held blocks and pages stay as they are.
    bool ReadModuleForFile(ConfigBlocks* blocks);
    QString ChooseFile(FileUse use);
    void LoadOrCompare(const QString& path, bool load);

    // Takes the shown page's entries into the held block; false when the
    // page refused one (it told the user; nothing may be sent).
    // *passwordGiven: the fieldbus page holds a password.
    bool BuildShownPage(ConfigBlock page, bool* passwordGiven);
    void SaveShownPage(ConfigBlock page);

    std::string m_programFolder;
    QString m_skinFolder;
    CControlIni m_settings;
    IniPortDirectory m_portDirectory{&m_settings};
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
    ModuleWorker* m_worker = nullptr;  // a child, deleted first
    ConfigBlocks m_blocks;
    int m_theme = 0;

    CTabSheet* m_tabs = nullptr;
    CPropCom* m_comPage = nullptr;
    CPropGeneral* m_generalPage = nullptr;
    CPropIo* m_ioPage = nullptr;
    CPropProtocol* m_fieldbusPage = nullptr;
    QComboBox* m_deviceMode = nullptr;
    QPushButton* m_readButton = nullptr;
    QPushButton* m_modifyButton = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_saveFileButton = nullptr;
    QPushButton* m_loadFileButton = nullptr;
    QPushButton* m_compareFileButton = nullptr;
    FileChooser m_chooseFile;
    // Where the file dialog opens: the folder of the last file chosen.
    QString m_fileFolder;
    QButtonGroup* m_themeGroup = nullptr;
    std::array<QRadioButton*, kThemeCount> m_themeRadios{};
    std::array<QLabel*, kLampCount> m_lamps{};
    std::array<bool, kLampCount> m_lampLit{};
    QPixmap m_litLamp;
    QPixmap m_unlitLamp;
};
