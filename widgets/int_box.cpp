#include "int_box.h"

#include <QCoreApplication>
#include <QLineEdit>

#include "entry_rules.h"
#include "messages.h"

namespace {

bool CheckAndReport(QWidget* parent, const QString& text, int low, int high, int* value) {
    switch (CheckIntEntry(text.toStdString(), EntryRange{low, high}, value)) {
        case IntEntry::Ok:
            return true;
        case IntEntry::NotAnInteger:
            ShowMessage(parent, QCoreApplication::translate("IntBox", "请输入一个整数。"));
            return false;
        case IntEntry::OutOfRange:
            break;
    }
    ShowMessage(parent,
                QCoreApplication::translate("IntBox", "请输入一个介于 %1 和 %2 之间的整数。")
                    .arg(low)
                    .arg(high));
    return false;
}

}  // namespace

bool TakeIntBox(QLineEdit* box, int low, int high, int* value) {
    if (CheckAndReport(box->window(), box->text(), low, high, value)) return true;
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    return false;
}

bool CheckIntText(QWidget* parent, const QString& text, int low, int high, int* value) {
    return CheckAndReport(parent, text, low, high, value);
}

bool ReadIntText(const QString& text, int low, int high, int* value) {
    return CheckIntEntry(text.toStdString(), EntryRange{low, high}, value) == IntEntry::Ok;
}
