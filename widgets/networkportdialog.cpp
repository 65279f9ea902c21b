#include "networkportdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "line_address.h"
#include "messages.h"

namespace {

// The kinds in list order, with the TCP port their servers usually listen on.
const struct {
    LineKind kind;
    const char* item;
    int usualPort;
} kKinds[] = {
    {LineKind::Rfc2217, QT_TRANSLATE_NOOP("NetworkPortDialog", "RFC 2217 串口服务器（rfc2217://）"),
     4001},
    {LineKind::RawTcp, QT_TRANSLATE_NOOP("NetworkPortDialog", "TCP 透传（socket://）"), 4001},
    {LineKind::ModbusTcp,
     QT_TRANSLATE_NOOP("NetworkPortDialog", "Modbus TCP 网关（modbus-tcp://）"),
     kModbusTcpDefaultPort},
};

}  // namespace

NetworkPortDialog::NetworkPortDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("添加网络端口"));
    m_kind = new QComboBox(this);
    for (const auto& kind : kKinds) m_kind->addItem(tr(kind.item));
    m_host = new QLineEdit(this);
    m_host->setPlaceholderText(QStringLiteral("10.0.0.20"));
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(kKinds[0].usualPort);
    m_preview = new QLabel(this);
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(tr("类型:"), m_kind);
    form->addRow(tr("主机:"), m_host);
    form->addRow(tr("端口:"), m_port);
    form->addRow(tr("地址:"), m_preview);

    auto* note = new QLabel(tr("网络连接不加密：跨越不可信的网络时，请通过 SSH 隧道连接。"), this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setMinimumWidth(380);

    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &NetworkPortDialog::OnKindChanged);
    connect(m_host, &QLineEdit::textChanged, this, &NetworkPortDialog::UpdatePreview);
    connect(m_port, qOverload<int>(&QSpinBox::valueChanged), this,
            &NetworkPortDialog::UpdatePreview);
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkPortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkPortDialog::reject);
    UpdatePreview();
}

void NetworkPortDialog::OnKindChanged(int index) {
    // A port still at the last kind's usual number follows the new kind's.
    if (index >= 0 && m_port->value() == kKinds[m_lastKind].usualPort)
        m_port->setValue(kKinds[index].usualPort);
    m_lastKind = index < 0 ? 0 : index;
    UpdatePreview();
}

QString NetworkPortDialog::Url() const {
    const int index = m_kind->currentIndex() < 0 ? 0 : m_kind->currentIndex();
    const std::string url = FormatLineAddress(
        kKinds[index].kind, m_host->text().trimmed().toStdString(), m_port->value());
    LineAddress address;
    if (m_host->text().trimmed().isEmpty() || !ParseLineAddress(url, &address)) return QString();
    return QString::fromStdString(url);
}

void NetworkPortDialog::UpdatePreview() {
    m_preview->setText(Url());
}

void NetworkPortDialog::accept() {
    if (Url().isEmpty()) {
        ShowMessage(this, tr("请输入服务器的主机名或 IP 地址。"));
        m_host->setFocus();
        return;
    }
    QDialog::accept();
}
