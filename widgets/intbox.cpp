#include "intbox.h"

#include <QLineEdit>
#include <limits>

#include "messages.h"

namespace {

enum class IntTextKind { NotInteger, Integer };

// Whole text, blanks around it allowed, an optional sign, then decimal digits
// only. Values beyond the 64-bit range saturate: they are integers, only out
// of any range a box can have.
IntTextKind ParseIntText(const QString& text, long long* value) {
    const QString trimmed = text.trimmed();
    int pos = 0;
    bool negative = false;
    if (pos < trimmed.size() && (trimmed[pos] == u'+' || trimmed[pos] == u'-')) {
        negative = trimmed[pos] == u'-';
        ++pos;
    }
    if (pos >= trimmed.size()) return IntTextKind::NotInteger;
    constexpr long long kLimit = std::numeric_limits<long long>::max() / 10 - 1;
    long long magnitude = 0;
    for (; pos < trimmed.size(); ++pos) {
        const QChar c = trimmed[pos];
        if (c < u'0' || c > u'9') return IntTextKind::NotInteger;
        if (magnitude < kLimit) magnitude = magnitude * 10 + (c.unicode() - u'0');
    }
    *value = negative ? -magnitude : magnitude;
    return IntTextKind::Integer;
}

bool CheckAndReport(QWidget* parent, const QString& text, int low, int high, int* value) {
    long long parsed = 0;
    if (ParseIntText(text, &parsed) != IntTextKind::Integer) {
        ShowMessage(parent, QStringLiteral("请输入一个整数。"));
        return false;
    }
    if (parsed < low || parsed > high) {
        ShowMessage(parent, QStringLiteral("请输入一个介于 %1 和 %2 之间的整数。").arg(low).arg(high));
        return false;
    }
    *value = static_cast<int>(parsed);
    return true;
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
    long long parsed = 0;
    if (ParseIntText(text, &parsed) != IntTextKind::Integer || parsed < low || parsed > high)
        return false;
    *value = static_cast<int>(parsed);
    return true;
}
