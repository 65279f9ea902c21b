#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "setting_controls.h"

class CControlIni;
class CMyCUGErrorMsg;
class ModuleSession;
class ModuleWorker;

// The fieldbus page ("现场总线"): the CANopen-side parameters of the
// FieldbusParamBlock, plus the emergency message, error message and network
// time operations.
class CPropProtocol : public QWidget {
    Q_OBJECT
public:
    explicit CPropProtocol(QWidget* parent = nullptr);
    ~CPropProtocol() override;

    // The page's exchanges run on `worker` (its buttons wait while it is busy).
    void SetPointers(CControlIni* settings, ModuleSession* session, ModuleWorker* worker);
    void Initialise();
    void LoadSettings();
    void SaveSettings();

    void FillFromBlock(const uint8_t* block);
    enum BuildResult { BuildRefused = -1, NoPassword = 0, PasswordGiven = 1 };
    // Writes the entries into the 132-byte block. BuildRefused when an entry
    // was refused (prompt shown, block unchanged, nothing may be sent).
    BuildResult BuildBlock(uint8_t* block);

    void OnSendEmergency();
    void OnGetErrorMessage();
    void OnGetNetworkTime();
    // The password text decides alone whether the four device-information
    // edits can be changed.
    void OnPasswordChange();

    CMyCUGErrorMsg* errorGrid() const;

private:
    void CreateControls();
    // Runs one exchange on the worker; false when it did not run (busy, or
    // the window closed), and the caller then shows nothing.
    bool RunOnModule(const std::function<void()>& exchange);
    // The lists and boxes config.ini keeps, with their keys.
    void SettingControls(std::vector<ListSetting>* lists, std::vector<BoxSetting>* boxes) const;
    // The configured bit rate as the data exchange takes it (integer prompt,
    // 0-65535); false when refused.
    bool TakeBitRate(int* value);
    struct Controls;
    Controls* m_ui;
    CControlIni* m_settings = nullptr;
    ModuleSession* m_session = nullptr;
    ModuleWorker* m_worker = nullptr;
};
