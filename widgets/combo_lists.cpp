#include "combo_lists.h"

#include <QComboBox>
#include <QCoreApplication>

#include "baud_rates.h"
#include "fieldbus_block.h"
#include "hexbytes.h"
#include "register_map.h"

void SelectOrClear(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

int SelectedNumber(const QComboBox* list) {
    if (list->currentIndex() < 0) return 0;
    return ParseLeadingInt(list->currentText().toStdString());
}

void SetItems(QComboBox* list, const char* const* items, size_t count, const char* context) {
    list->clear();
    for (size_t i = 0; i < count; ++i)
        list->addItem(context != nullptr ? QCoreApplication::translate(context, items[i])
                                         : QString::fromUtf8(items[i]));
}

void SetBaudRateItems(QComboBox* list) {
    list->clear();
    for (int i = 0; i < kBaudRateCount; ++i) list->addItem(QString::fromStdString(BaudRateItem(i)));
}

void SetCanBitRateItems(QComboBox* list) {
    list->clear();
    for (int code = 0; code < kCanBitRateCount; ++code)
        list->addItem(QCoreApplication::translate("CanBitRate", "%1：%2")
                          .arg(code)
                          .arg(QString::fromUtf8(CanBitRateName(code))));
}

void SetDeviceModeItems(QComboBox* list) {
    list->clear();
    for (CoreText item : kDeviceModeItems) list->addItem(QString::fromUtf8(CoreString(item)));
}
