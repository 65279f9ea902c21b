#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "添加网络端口": the kind of network line, its host and its TCP port. The
// URL it makes is what a [ports] entry holds.
class NetworkPortDialog : public QDialog {
    Q_OBJECT
public:
    explicit NetworkPortDialog(QWidget* parent = nullptr);

    // The URL of the entries as they stand ("rfc2217://10.0.0.20:4001"),
    // empty while the host is not valid.
    QString Url() const;

    QComboBox* kindList() const { return m_kind; }
    QLineEdit* hostEdit() const { return m_host; }
    QSpinBox* portBox() const { return m_port; }

    void accept() override;

private:
    void OnKindChanged(int index);
    void UpdatePreview();

    QComboBox* m_kind = nullptr;
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QLabel* m_preview = nullptr;
    int m_lastKind = 0;
};
