#include "portcombobox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStylePainter>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "port_numbers.h"

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent), m_roots(DefaultDiscoveryRoots()) {
    setEditable(false);
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &PortComboBox::UpdateToolTip);
}

void PortComboBox::Fill() {
    const QSignalBlocker block(this);
    clear();
    for (int n = 1; n <= kPortNumberCount; ++n) addItem(QString::number(n));
    Refresh();
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
    setToolTip(index < 0 ? QString()
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

void PortComboBox::paintEvent(QPaintEvent*) {
    // As QComboBox paints itself, but a name too long for the box ends in
    // an ellipsis instead of being cut off mid-letter.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideRight, qMax(field.width(), 0));
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
