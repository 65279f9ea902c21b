#include "mycug.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QValidator>
#include <algorithm>
#include <cstring>

#include "byte_grid_view.h"
#include "hexbytes.h"

namespace {

constexpr int kCellSize = 19;
constexpr int kRowHeadingWidth = 32;

const QColor kMarkedHeadingBack(153, 0, 0);
const QColor kMarkedHeadingText(255, 255, 255);

QString HexByte(uint8_t value) { return QString::asprintf("%02X", static_cast<unsigned>(value)); }

int CellDigit(QChar c) {
    return c.unicode() < 0x80 ? HexDigitValue(static_cast<char>(c.unicode())) : -1;
}

// Up to two leading hex digits after optional blanks; no digit reads as 0.
uint8_t ParseCellByte(const QString& text) {
    int pos = 0;
    while (pos < text.size() && text[pos].isSpace()) ++pos;
    unsigned value = 0;
    for (int n = 0; n < 2 && pos < text.size(); ++n, ++pos) {
        const int digit = CellDigit(text[pos]);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<uint8_t>(value & 0xFF);
}

// At most two hex digits; letters are turned to capitals as they are typed.
class HexByteValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        if (input.size() > 2) return Invalid;
        for (const QChar c : input)
            if (CellDigit(c) < 0) return Invalid;
        input = input.toUpper();
        return Acceptable;
    }
};

class HexCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                          const QModelIndex& /*index*/) const override {
        auto* editor = new QLineEdit(parent);
        editor->setMaxLength(2);
        editor->setValidator(new HexByteValidator(editor));
        editor->setFrame(false);
        editor->setAlignment(Qt::AlignCenter);
        editor->setTextMargins(0, 0, 0, 0);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& /*index*/) const override {
        editor->setGeometry(option.rect);
    }

    // The style's text margins would leave "FF" no room in a 19-pixel cell:
    // the style paints the cell without text, the text goes centred over the
    // whole cell.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style == nullptr) return;
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (text.isEmpty()) return;
        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            (opt.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(selected ? opt.palette.color(group, QPalette::HighlightedText)
                                 : opt.palette.color(group, QPalette::Text));
        painter->drawText(opt.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter->restore();
    }
};

// Draws a marked row heading itself: styles are free to ignore a model's
// heading colours, and the dark red must show whatever the skin.
class RowHeadingView : public QHeaderView {
public:
    RowHeadingView(MyCug* grid) : QHeaderView(Qt::Vertical, grid), m_grid(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!m_grid->IsRowMarked(logicalIndex)) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        painter->save();
        painter->fillRect(rect, kMarkedHeadingBack);
        painter->setPen(kMarkedHeadingText);
        painter->setFont(font());
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        painter->drawText(rect.adjusted(margin, 0, -margin, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          model()->headerData(logicalIndex, Qt::Vertical).toString());
        painter->restore();
    }

private:
    MyCug* m_grid;
};

}  // namespace

// Every text comes from the grid's buffer at the moment the view asks for it.
class MyCugModel : public QAbstractTableModel {
public:
    explicit MyCugModel(MyCug* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_grid->rows();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_grid->columns();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return m_grid->CellText(index.row(), index.column());
            case Qt::ToolTipRole:
                return QString::asprintf("Col:%d Row:%ld", index.column(),
                                         static_cast<long>(index.row()));
            case Qt::TextAlignmentRole:
                return int(Qt::AlignCenter);
            case Qt::BackgroundRole:
                return QColor(255, 255, 255);
            case Qt::ForegroundRole:
                return QColor(0, 0, 0);
            default:
                return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole) return false;
        m_grid->SetCellText(index.row(), index.column(), value.toString());
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const int i = index.row() * m_grid->columns() + index.column();
        if (!m_grid->isReadOnly() && i < m_grid->capacity()) flags |= Qt::ItemIsEditable;
        return flags;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        const bool marked = orientation == Qt::Vertical && m_grid->IsRowMarked(section);
        switch (role) {
            case Qt::DisplayRole:
                return QString::asprintf(
                    "%ld", static_cast<long>(orientation == Qt::Vertical
                                                 ? section * m_grid->columns()
                                                 : section));
            case Qt::TextAlignmentRole:
                return orientation == Qt::Vertical ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                                   : int(Qt::AlignCenter);
            case Qt::BackgroundRole:
                return marked ? QVariant(kMarkedHeadingBack) : QVariant();
            case Qt::ForegroundRole:
                return marked ? QVariant(kMarkedHeadingText) : QVariant();
            default:
                return {};
        }
    }

    void cellsChanged() {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    void headingChanged(int row) { emit headerDataChanged(Qt::Vertical, row, row); }

private:
    MyCug* m_grid;
};

MyCug::MyCug(int capacity, QWidget* parent)
    : QTableView(parent),
      m_data(static_cast<size_t>(std::max(capacity, 0)), 0),
      m_marked(static_cast<size_t>((std::max(capacity, 0) - 1) / 8 + 1), false),
      m_used(std::max(capacity, 0)),
      m_model(nullptr) {
    setVerticalHeader(new RowHeadingView(this));
    m_model = new MyCugModel(this);
    setModel(m_model);
    setItemDelegate(new HexCellDelegate(this));

    SetUpByteGridView(this, kCellSize, kCellSize, kRowHeadingWidth, kCellSize);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextElideMode(Qt::ElideNone);
}

MyCug::~MyCug() = default;

void MyCug::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (readOnly && state() == QAbstractItemView::EditingState) {
        if (QWidget* editor = indexWidget(currentIndex())) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked);
}

void MyCug::setUsed(int used) {
    m_used = std::clamp(used, 0, capacity());
    m_model->cellsChanged();
}

void MyCug::SetBytes(const uint8_t* bytes, int n) {
    const int count = bytes == nullptr ? 0 : std::clamp(n, 0, capacity());
    if (count > 0) std::memcpy(m_data.data(), bytes, static_cast<size_t>(count));
    m_used = count;
    RedrawAll();
}

void MyCug::RedrawAll() {
    m_model->cellsChanged();
    verticalHeader()->viewport()->update();
}

void MyCug::MarkRowHeading(int row, bool marked) {
    if (row < 0 || row >= rows()) return;
    m_marked[static_cast<size_t>(row)] = marked;
    m_model->headingChanged(row);
    verticalHeader()->viewport()->update();
}

bool MyCug::IsRowMarked(int row) const {
    return row >= 0 && row < rows() && m_marked[static_cast<size_t>(row)];
}

QString MyCug::CellText(int row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= columns()) return QString();
    const int i = row * columns() + column;
    if (i >= m_used) return QString();
    return HexByte(m_data[static_cast<size_t>(i)]);
}

void MyCug::SetCellText(int row, int column, const QString& text) {
    if (text.isEmpty() || row < 0 || column < 0 || column >= columns()) return;
    const int i = row * columns() + column;
    if (i >= capacity()) return;
    m_data[static_cast<size_t>(i)] = ParseCellByte(text);
    if (i < m_used) {
        const QModelIndex cell = m_model->index(row, column);
        emit m_model->dataChanged(cell, cell);
    }
}
