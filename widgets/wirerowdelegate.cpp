#include "wirerowdelegate.h"

#include <QPainter>

namespace {

constexpr int kTextMargin = 4;

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& option) {
    if (!(option.state & QStyle::State_Enabled)) return QPalette::Disabled;
    return (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
}

}  // namespace

void WireRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QPalette::ColorGroup group = GroupOf(option);
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));

    QColor colour = option.palette.color(group, QPalette::Text);
    if (selected) {
        colour = option.palette.color(group, QPalette::HighlightedText);
    } else if (const QVariant foreground = index.data(Qt::ForegroundRole); foreground.isValid()) {
        colour = foreground.value<QBrush>().color();
    }
    const QVariant font = index.data(Qt::FontRole);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) return;

    painter->save();
    painter->setPen(colour);
    painter->setFont(font.isValid() ? font.value<QFont>() : option.font);
    const QRect cell = option.rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    const QFontMetrics metrics = painter->fontMetrics();
    int x = cell.left();
    if (index.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight)
        x = cell.right() + 1 - metrics.horizontalAdvance(text);
    const int baseline = cell.top() + (cell.height() - metrics.height()) / 2 + metrics.ascent();
    painter->setClipRect(cell);
    // Drawing at a point shapes the text once, without a line layout.
    painter->drawText(QPoint(x, baseline), text);
    painter->restore();
}
