#pragma once

#include <QStyledItemDelegate>

// Paints the wire monitor's cells as plain single-line text, cut at the cell's
// edge: with fast polling the table repaints several times a second, and the
// style's item painting (text layout, eliding, focus frames) costs several
// times as much for the same look. The full text is in the tooltips.
class WireRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
