#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

#include "config_document.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// The differences between a module and a configuration file: one row per
// field (field, module value, file value). Comparing only shows them; loading
// also offers "写入模块", with a password box when the device information
// differs (without a password that group is skipped). While the writes run
// the dialog stays open and shows their progress, and "取消" stops them
// before the next group; it closes, accepted, when they are done.
class CDlgConfigDiff : public QDialog {
    Q_OBJECT
public:
    enum Mode { Compare, Load };

    explicit CDlgConfigDiff(Mode mode, QWidget* parent = nullptr);
    ~CDlgConfigDiff() override;

    // file: the path shown above the rows.
    void SetDiff(const QString& file, const ConfigDiff& diff);

    // Runs the writes when "写入模块" is pressed; the dialog closes when it
    // returns. Load mode only.
    using Writer = std::function<void(CDlgConfigDiff* dialog)>;
    void SetWriter(Writer writer) { m_writer = std::move(writer); }
    // Called for "取消" (or Esc) while the writer runs.
    void SetCanceller(std::function<void()> cancel) { m_cancel = std::move(cancel); }

    // Whether a password was typed, and its value as the fieldbus page takes
    // it (leading hexadecimal digits, low 16 bits).
    bool PasswordGiven() const;
    uint16_t Password() const;

    // Progress of the writes: `done` of `total` groups went out, `group` goes
    // out now.
    void ShowProgress(int done, int total, const QString& group);

    // Names for the user, in the pages' words.
    static QString GroupCaption(ConfigGroup group);
    static QString FieldCaption(ConfigField field);
    // The groups of a set in group order, joined by "、"; "无" for none.
    static QString GroupList(ConfigGroupSet groups);

    QTableWidget* table() const { return m_table; }
    QLabel* summary() const { return m_summary; }
    QLineEdit* passwordEdit() const { return m_password; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressLabel() const { return m_progressText; }
    // "写入模块" (Load mode; null when comparing) and "取消" / "关闭".
    QPushButton* writeButton() const { return m_writeButton; }
    QPushButton* closeButton() const { return m_closeButton; }

    // Closes the dialog, or asks the running writes to stop.
    void reject() override;

private:
    void OnWrite();

    Mode m_mode;
    Writer m_writer;
    std::function<void()> m_cancel;
    bool m_writing = false;
    bool m_askPassword = false;  // the device information differs
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
    QWidget* m_passwordRow = nullptr;
    QLineEdit* m_password = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    QPushButton* m_writeButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
