#include "cdlgconfigdiff.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "hexbytes.h"
#include "plain_button.h"

namespace {

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    // Long values (the 28 fault values) are cut in the cell.
    item->setToolTip(text);
    return item;
}

}  // namespace

CDlgConfigDiff::CDlgConfigDiff(Mode mode, QWidget* parent) : QDialog(parent), m_mode(mode) {
    setWindowTitle(mode == Load ? tr("从文件载入") : tr("与文件比较"));
    setModal(true);
    resize(660, 440);

    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("differences"));
    m_table->setHorizontalHeaderLabels({tr("参数"), tr("模块中的值"), tr("文件中的值")});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 250);
    // Focus starts on the password or the buttons, not on a cell.
    m_table->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(m_table, 1);

    m_passwordRow = new QWidget(this);
    auto* passwordLayout = new QHBoxLayout(m_passwordRow);
    passwordLayout->setContentsMargins(0, 0, 0, 0);
    passwordLayout->addWidget(new QLabel(tr("密码保护:"), m_passwordRow));
    m_password = new QLineEdit(m_passwordRow);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setFixedWidth(120);
    passwordLayout->addWidget(m_password);
    passwordLayout->addWidget(
        new QLabel(tr("(输入密码后写入设备信息，不输入则不写入设备信息)"), m_passwordRow), 1);
    m_passwordRow->setVisible(false);
    layout->addWidget(m_passwordRow);

    auto* progressRow = new QHBoxLayout;
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("progressText"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(true);
    m_progress->setVisible(false);
    progressRow->addWidget(m_progressText, 1);
    progressRow->addWidget(m_progress, 1);
    layout->addLayout(progressRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (mode == Load) {
        m_writeButton = MakeButton(tr("写入模块"), this);
        m_writeButton->setObjectName(QStringLiteral("writeButton"));
        buttons->addWidget(m_writeButton);
        connect(m_writeButton, &QPushButton::clicked, this, &CDlgConfigDiff::OnWrite);
    }
    m_closeButton = MakeButton(mode == Load ? tr("取消") : tr("关闭"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    buttons->addWidget(m_closeButton);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(buttons);
}

CDlgConfigDiff::~CDlgConfigDiff() = default;

QString CDlgConfigDiff::GroupCaption(ConfigGroup group) {
    // The core's table: quillon-cli names the groups with the same words.
    return QString::fromUtf8(ConfigGroupText(group));
}

QString CDlgConfigDiff::FieldCaption(ConfigField field) {
    static const char* const captions[] = {
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "开关编码"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "下线"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "空闲"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "中断配置"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "通讯接口"),
        "CPHA",
        "CPOL",
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "帧间隔(50us)"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "UART波特率"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "UART停止位"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "UART校验位"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "APP喂狗时间"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "故障默认值(FB Fault Value)"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "输入I/O长度"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "输出I/O长度"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "节点地址(配置)"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "节点波特率(配置)"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "厂商ID"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "产品代码"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "设备序列号"),
        QT_TRANSLATE_NOOP("CDlgConfigDiff", "产品名称"),
    };
    static_assert(sizeof captions / sizeof captions[0] == kConfigFieldCount,
                  "one caption for every field");
    if (field < 0 || field >= kConfigFieldCount) return QString();
    return tr(captions[field]);
}

QString CDlgConfigDiff::GroupList(ConfigGroupSet groups) {
    QStringList names;
    for (int g = 0; g < kConfigGroupCount; ++g) {
        const auto group = static_cast<ConfigGroup>(g);
        if (groups & GroupBit(group)) names << GroupCaption(group);
    }
    return names.isEmpty() ? tr("无") : names.join(tr("、"));
}

void CDlgConfigDiff::SetDiff(const QString& file, const ConfigDiff& diff) {
    m_table->setRowCount(static_cast<int>(diff.rows.size()));
    int row = 0;
    for (const ConfigDiffRow& difference : diff.rows) {
        // The key too: it is what the file says, for a technician who edits it.
        m_table->setItem(
            row, 0,
            Cell(FieldCaption(difference.field) + "  " + QString::fromStdString(difference.path)));
        m_table->setItem(row, 1, Cell(QString::fromStdString(difference.moduleText)));
        m_table->setItem(row, 2, Cell(QString::fromStdString(difference.fileText)));
        ++row;
    }
    m_table->resizeRowsToContents();

    QString text = tr("文件: ") + file + "\n" +
                   tr("模块与文件有 %n 处不同。", nullptr, static_cast<int>(diff.rows.size()));
    // A sentence of its own: its translation starts with the space that
    // languages with spaces put between sentences.
    if (m_mode == Load) text += tr("写入模块将发送这些参数组: %1。").arg(GroupList(diff.groups));
    m_summary->setText(text);
    m_askPassword = m_mode == Load && (diff.groups & GroupBit(kGroupDeviceInfo)) != 0;
    m_passwordRow->setVisible(m_askPassword);
}

bool CDlgConfigDiff::PasswordGiven() const {
    return m_askPassword && !m_password->text().isEmpty();
}

uint16_t CDlgConfigDiff::Password() const {
    return static_cast<uint16_t>(ParseHexNumber(m_password->text().toStdString()) & 0xFFFF);
}

void CDlgConfigDiff::ShowProgress(int done, int total, const QString& group) {
    m_progress->setVisible(true);
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progressText->setText(tr("正在写入: %1 (%2/%3)").arg(group).arg(done + 1).arg(total));
}

void CDlgConfigDiff::reject() {
    if (!m_writing) {
        QDialog::reject();
        return;
    }
    if (!m_cancel) return;
    m_closeButton->setEnabled(false);
    m_progressText->setText(tr("正在取消..."));
    m_cancel();
}

void CDlgConfigDiff::OnWrite() {
    if (!m_writer) return;
    m_writeButton->setEnabled(false);
    // "取消" stays: it stops the writes between two groups.
    m_closeButton->setEnabled(static_cast<bool>(m_cancel));
    m_password->setEnabled(false);
    m_writing = true;
    m_writer(this);
    m_writing = false;
    accept();
}
