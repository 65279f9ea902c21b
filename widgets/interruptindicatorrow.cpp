#include "interruptindicatorrow.h"

#include <QFont>
#include <QFontDatabase>
#include <QWidget>

#include "cbuttonex.h"
#include "register_map.h"

namespace {

constexpr int kLampWidth = 40;
constexpr int kLampHeight = 18;

QFont LampFont() {
    static const bool hasArial = QFontDatabase::families().contains(QStringLiteral("Arial"));
    QFont font;
    if (hasArial) {
        font.setFamily(QStringLiteral("Arial"));
    } else {
        font.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(7);
    return font;
}

}  // namespace

InterruptIndicatorRow::InterruptIndicatorRow(QWidget* parent, int left, int top, bool clickable)
    : QObject(parent), m_clickable(clickable) {
    static_assert(kInterruptBitCount == 10, "one lamp per interrupt bit");
    for (int k = 0; k < kInterruptBitCount; ++k) {
        const InterruptBit& bit = kInterruptBits[k];
        auto* button = new CButtonEx(QString::fromUtf8(bit.caption), parent);
        const int id = kFirstId + k;
        button->setObjectName(QString::number(id));
        button->setProperty("controlId", id);
        button->setGeometry(left + kLampWidth * k, top, kLampWidth, kLampHeight);
        button->setToolTip(QString::fromUtf8(CoreString(bit.description)));
        button->setFont(LampFont());
        button->setVisible(true);
        connect(button, &QAbstractButton::clicked, this, [this, k] {
            if (!m_clickable) return;
            CButtonEx* lamp = m_buttons[k];
            lamp->setState(lamp->state() == CButtonEx::Off ? CButtonEx::Lit : CButtonEx::Off);
            emit toggled(k);
        });
        m_buttons[k] = button;
    }
}

void InterruptIndicatorRow::ShowInterruptMask(uint16_t mask) {
    for (int k = 0; k < kInterruptBitCount; ++k) {
        const bool set = (mask >> kInterruptBits[k].bit) & 1u;
        m_buttons[k]->setState(set ? CButtonEx::Lit : CButtonEx::Off);
    }
}

uint16_t InterruptIndicatorRow::ReadInterruptMask() const {
    uint16_t mask = 0;
    for (int k = 0; k < kInterruptBitCount; ++k) {
        if (m_buttons[k]->state() == CButtonEx::Lit)
            mask = static_cast<uint16_t>(mask | (1u << kInterruptBits[k].bit));
    }
    return mask;
}
