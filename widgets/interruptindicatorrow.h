#pragma once

#include <QObject>
#include <array>
#include <cstdint>

class CButtonEx;
class QWidget;

// Ten lamps for bits 9 .. 0 of an interrupt word, 40 x 18 pixels each, side
// by side from (left, top) of the parent, identifiers 10000 .. 10009, each
// with its own 7-point Arial font, captions and tooltips from the register
// map. A clickable row toggles a lamp on click; a display row ignores clicks.
class InterruptIndicatorRow : public QObject {
    Q_OBJECT
public:
    InterruptIndicatorRow(QWidget* parent, int left, int top, bool clickable);

    // Lamp k (0..9) lit exactly when bit 9 - k is set; bits above 9 ignored.
    void ShowInterruptMask(uint16_t mask);
    // Bit 9 - k set for each lit lamp k.
    uint16_t ReadInterruptMask() const;

    CButtonEx* button(int index) const { return m_buttons[index]; }
    static constexpr int kFirstId = 10000;

signals:
    // A clickable lamp was toggled by the user.
    void toggled(int index);

private:
    std::array<CButtonEx*, 10> m_buttons{};
    bool m_clickable;
};
