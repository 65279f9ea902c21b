#include "cbuttonex.h"

#include <QEvent>
#include <QPainter>

namespace {

// Two-pixel raised frame: outer ring light at top/left and darkest at
// bottom/right, inner ring brightest at top/left and shadowed at bottom/right.
void DrawRaisedEdge(QPainter* painter, const QRect& rect, const QPalette& palette) {
    const QRect outer = rect.adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    auto drawRing = [painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter->setPen(topLeft);
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.topLeft(), r.bottomLeft());
        painter->setPen(bottomRight);
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
    };
    drawRing(outer, palette.color(QPalette::Active, QPalette::Midlight),
             palette.color(QPalette::Active, QPalette::Shadow));
    if (inner.width() > 0 && inner.height() > 0)
        drawRing(inner, palette.color(QPalette::Active, QPalette::Light),
                 palette.color(QPalette::Active, QPalette::Dark));
}

}  // namespace

CButtonEx::CButtonEx(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    // A row of ten lamps would make Tab walk through ten stops that do
    // nothing on the keyboard; a click still gives a lamp the focus.
    setFocusPolicy(Qt::ClickFocus);
    m_disabledTextColor = palette().color(QPalette::Disabled, QPalette::WindowText);
}

bool CButtonEx::isDisabledItself() const {
    // WA_ForceDisabled is set by setEnabled(false) on this very widget; a
    // disabled parent only sets WA_Disabled.
    return testAttribute(Qt::WA_ForceDisabled);
}

void CButtonEx::setState(int state) {
    m_state = state;
    if (isDisabledItself()) m_state = Disabled;
    update();
}

void CButtonEx::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        // A lamp switched off by its owner shows "disabled" at once and comes
        // back off, not lit, when enabled again. A parent being disabled
        // leaves the state alone, so the lamp keeps its bit.
        if (isDisabledItself())
            m_state = Disabled;
        else if (m_state == Disabled)
            m_state = Off;
    }
    QAbstractButton::changeEvent(event);
}

void CButtonEx::paintEvent(QPaintEvent* /*event*/) {
    const QRect item = rect();
    if (m_caption.isEmpty()) m_caption = text();

    if (m_state == Disabled) m_state = Off;
    if (isDisabledItself()) m_state = Disabled;

    QColor face = offFaceColor();
    QColor captionColor = m_textColor;
    if (m_state == Lit) {
        face = litFaceColor();
        captionColor = QColor(255, 255, 255);
    } else if (m_state == Disabled) {
        face = m_disabledBackColor;
        captionColor = m_disabledTextColor;
    }

    QPainter painter(this);
    // Corners of 5 x 5 ellipses at 18 pixels' height: a smoothed outline would
    // blend the face colour into the parent's, so draw it crisp.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(face, 1));
    painter.setBrush(face);
    painter.drawRoundedRect(item.adjusted(0, 0, -1, -1), 2.5, 2.5);

    if (m_state != Lit) DrawRaisedEdge(&painter, item.adjusted(2, 1, 0, 0), palette());

    painter.setFont(font());
    painter.setPen(captionColor);
    const QString shown = painter.fontMetrics().elidedText(m_caption, Qt::ElideRight,
                                                           item.width(), Qt::TextSingleLine);
    painter.drawText(item, Qt::AlignCenter | Qt::TextSingleLine, shown);

    if (hasFocus()) {
        // A dotted outline: every other pixel.
        QPen dotted(captionColor, 1, Qt::CustomDashLine);
        dotted.setDashPattern({1.0, 1.0});
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(item.adjusted(0, 0, -1, -1));
    }
}
