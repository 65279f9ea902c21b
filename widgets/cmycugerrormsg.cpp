#include "cmycugerrormsg.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "byte_grid_view.h"
#include "fieldbus_block.h"

namespace {

constexpr int kRows = 4;
constexpr int kColumns = static_cast<int>(kErrorIndexBytes + kErrorCodeBytes);
constexpr int kBytes = kRows * kColumns;
constexpr int kColumnWidth = 60;
constexpr int kRowHeight = 23;
constexpr int kIndexColumnWidth = 23;
constexpr int kFirstErrorCodeColumn = static_cast<int>(kErrorIndexBytes);

const QColor kSeparatorColor(255, 0, 0);

// The top headings are two joined cells: columns 0-1 under "索引" and 2-5
// under "错误码". Each section paints the whole joined cell it belongs to,
// so a partial repaint of any one section still shows the joined heading.
class JoinedHeadingView : public QHeaderView {
public:
    explicit JoinedHeadingView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const int first = logicalIndex < kFirstErrorCodeColumn ? 0 : kFirstErrorCodeColumn;
        const int last = logicalIndex < kFirstErrorCodeColumn ? kFirstErrorCodeColumn - 1
                                                              : kColumns - 1;
        const int left = sectionViewportPosition(first);
        const int right = sectionViewportPosition(last) + sectionSize(last);
        const QRect joined(left, rect.top(), right - left, rect.height());
        painter->save();
        painter->setClipRect(joined);
        QHeaderView::paintSection(painter, joined, first);
        painter->restore();
    }
};

}  // namespace

class ErrorMsgModel : public QAbstractTableModel {
public:
    explicit ErrorMsgModel(CMyCUGErrorMsg* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : kRows;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : kColumns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        switch (role) {
            case Qt::DisplayRole:
                return m_grid->CellText(index.row(), index.column());
            case Qt::TextAlignmentRole:
                return int(Qt::AlignRight | Qt::AlignVCenter);
            case Qt::BackgroundRole:
                return QColor(255, 255, 255);
            case Qt::ForegroundRole:
                return QColor(0, 0, 0);
            default:
                return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole) return {};
        if (orientation == Qt::Vertical) return QString::asprintf("%ld", static_cast<long>(section));
        if (section == 0) return QCoreApplication::translate("CMyCugErrorMsg", "索引");
        if (section == kFirstErrorCodeColumn)
            return QCoreApplication::translate("CMyCugErrorMsg", "错误码");
        return QString();
    }

    void cellsChanged() { emit dataChanged(index(0, 0), index(kRows - 1, kColumns - 1)); }

private:
    CMyCUGErrorMsg* m_grid;
};

CMyCUGErrorMsg::CMyCUGErrorMsg(QWidget* parent) : QTableView(parent), m_model(nullptr) {
    setHorizontalHeader(new JoinedHeadingView(this));
    m_model = new ErrorMsgModel(this);
    setModel(m_model);

    SetUpByteGridView(this, kColumnWidth, kRowHeight, kIndexColumnWidth, kRowHeight);
}

CMyCUGErrorMsg::~CMyCUGErrorMsg() = default;

void CMyCUGErrorMsg::setUsed(int used) {
    m_used = std::clamp(used, 0, kBytes);
    m_model->cellsChanged();
}

void CMyCUGErrorMsg::SetBytes(const uint8_t* bytes, int n) {
    const int count = bytes == nullptr ? 0 : std::clamp(n, 0, kBytes);
    if (count > 0) std::memcpy(m_data, bytes, static_cast<size_t>(count));
    m_used = count;
    RedrawAll();
}

void CMyCUGErrorMsg::RedrawAll() {
    m_model->cellsChanged();
    verticalHeader()->viewport()->update();
}

QString CMyCUGErrorMsg::CellText(int row, int column) const {
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns) return QString();
    const int i = row * kColumns + column;
    if (i >= m_used) return QString();
    return QString::asprintf("%02X", static_cast<unsigned>(m_data[i]));
}

void CMyCUGErrorMsg::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // The separator between the index bytes and the error-code bytes: the
    // left edge of every cell in the first error-code column.
    const int x = columnViewportPosition(kFirstErrorCodeColumn);
    const int last = kRows - 1;
    const int bottom = rowViewportPosition(last) + rowHeight(last) - 1;
    if (x < 0 || bottom < 0) return;
    QPainter painter(viewport());
    painter.setPen(QPen(kSeparatorColor, 1, Qt::SolidLine));
    painter.drawLine(x, std::max(rowViewportPosition(0), 0), x, bottom);
}
