#include "portcombobox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStylePainter>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "messages.h"
#include "networkportdialog.h"
#include "port_numbers.h"

static_assert(PortComboBox::kAddNetworkIndex == kPortNumberCount,
              "the item follows the port numbers");

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent), m_roots(DefaultDiscoveryRoots()) {
    setEditable(false);
    // Connected first, so that the item "添加网络端口..." is put back before
    // anyone else hears of it.
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &PortComboBox::OnIndexChanged);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index == kAddNetworkIndex) AddNetworkPort();
    });
}

void PortComboBox::Fill() {
    const QSignalBlocker block(this);
    clear();
    for (int n = 1; n <= kPortNumberCount; ++n) addItem(QString::number(n));
    addItem(tr("添加网络端口..."));
    m_lastIndex = currentIndex();
    Refresh();
}

void PortComboBox::OnIndexChanged(int index) {
    if (index == kAddNetworkIndex) {
        // The item is an action, not a port: the selection stays a number
        // (what is stored as the position keeps its meaning).
        const QSignalBlocker block(this);
        setCurrentIndex(m_lastIndex);
        return;
    }
    m_lastIndex = index;
    UpdateToolTip();
}

int PortComboBox::AddNetworkPort() {
    NetworkPortDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return 0;
    const int number = StoreNetworkPort(m_settings, dialog.Url().toStdString(), m_roots);
    if (number < 0) {
        ShowMessage(this, tr("无法写入 config.ini：网络端口没有保存。"));
        return 0;
    }
    if (number == 0) {
        ShowMessage(this, tr("串口号 1 至 255 都已有设备：请先在 config.ini 的 "
                             "[ports] 中删除不再使用的条目。"));
        return 0;
    }
    Refresh();
    setCurrentIndex(number - 1);
    return number;
}

void PortComboBox::Refresh() {
    const PortNumberMap map = RefreshPortNumbers(m_settings, m_roots);
    const int items = qMin(count(), kPortNumberCount);
    for (int i = 0; i < items; ++i) {
        const QString text = QString::fromStdString(PortNumberLabel(map, i + 1));
        if (itemText(i) != text) setItemText(i, text);
    }
    UpdateToolTip();
}

void PortComboBox::UpdateToolTip() {
    const int index = currentIndex();
    // Also after a selection made with signals blocked (the pages load it
    // so): the item "添加网络端口..." goes back to this one.
    if (index < kPortNumberCount) m_lastIndex = index;
    setToolTip(index < 0 || index >= kPortNumberCount
                   ? QString()
                   : QString::fromStdString(DevicePathForPort(index + 1, m_settings)));
}

void PortComboBox::showPopup() {
    Refresh();
    // The box is narrow; the dropped-down list is as wide as its longest
    // item, so device names are read whole.
    QAbstractItemView* list = view();
    const int width = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                      list->verticalScrollBar()->sizeHint().width() + 8;
    list->setMinimumWidth(qMax(width, this->width()));
    QComboBox::showPopup();
}

QString PortComboBox::ShownText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int room = qMax(field.width(), 0);
    const QString text = currentText();
    if (fontMetrics().horizontalAdvance(text) <= room) return text;
    // The number is what the technician picks by: in a box too narrow for
    // "1…" it still shows, whole, even if it runs to the edge.
    const QString number = text.section(QLatin1Char(' '), 0, 0);
    const QString elided = fontMetrics().elidedText(text, Qt::ElideRight, room);
    return elided.size() > number.size() && elided.startsWith(number) ? elided : number;
}

void PortComboBox::paintEvent(QPaintEvent*) {
    // As QComboBox paints itself, but a name too long for the box ends in
    // an ellipsis instead of being cut off mid-letter.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = ShownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
