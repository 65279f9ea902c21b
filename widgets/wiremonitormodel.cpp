#include "wiremonitormodel.h"

#include <QBrush>
#include <QColor>
#include <QFontDatabase>

#include "wire_log.h"

namespace {

constexpr int kTipBytesPerLine = 16;

// The hex text of a frame broken into lines of 16 bytes ("01 02 ..." uses
// three characters a byte).
QString WrappedBytes(QString text) {
    const int lineChars = 3 * kTipBytesPerLine;
    for (int at = lineChars - 1; at < text.size(); at += lineChars) text[at] = QLatin1Char('\n');
    return text;
}

}  // namespace

WireMonitorModel::WireMonitorModel(size_t capacity, QObject* parent)
    : QAbstractTableModel(parent),
      m_ring(capacity),
      m_fixedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

int WireMonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_ring.RowCount());
}

int WireMonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kWireColumnCount;
}

QVariant WireMonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return QVariant();
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
        case Qt::ForegroundRole:
            break;
        case Qt::FontRole:
            return column == kWireBytes ? QVariant(m_fixedFont) : QVariant();
        case Qt::TextAlignmentRole:
            if (column == kWireCount || column == kWireElapsed)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return QVariant();
    }

    int part = 0;
    const size_t exchange = m_ring.ExchangeOfRow(static_cast<size_t>(index.row()), &part);
    const ExchangeRecord record = m_ring.At(exchange);
    if (role == Qt::ForegroundRole) {
        if ((column == kWireNote || column == kWireDirection) && WireRowFailed(record, part))
            return QBrush(QColor(190, 0, 0));
        if (WireRowKindOf(record, part) == WireRowKind::Echo) return QBrush(QColor(128, 128, 128));
        return QVariant();
    }
    const QString text = QString::fromStdString(FormatWireField(record, part, column));
    if (role == Qt::ToolTipRole) {
        if (column == kWireBytes) return WrappedBytes(text);
        if (column == kWireNote) return text;
        return QVariant();
    }
    return text;
}

QVariant WireMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kWireColumnCount)
        return QVariant();
    return QString::fromUtf8(WireColumnTitle(section));
}

int WireMonitorModel::Append(const ExchangeRing& pending) {
    if (pending.empty()) return 0;
    // More than the ring holds: the oldest of them would drop at once.
    const size_t first =
        pending.size() > m_ring.capacity() ? pending.size() - m_ring.capacity() : 0;
    const size_t incoming = pending.size() - first;

    int dropped = 0;
    const size_t room = m_ring.capacity() - m_ring.size();
    if (incoming > room) {
        const size_t drop = incoming - room;
        dropped = static_cast<int>(m_ring.RowsOfFirst(drop));
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        m_ring.DropFront(drop);
        endRemoveRows();
    }

    const int top = rowCount();
    const int added = static_cast<int>(pending.RowCount() - pending.RowsOfFirst(first));
    beginInsertRows(QModelIndex(), top, top + added - 1);
    for (size_t i = first; i < pending.size(); ++i) m_ring.Push(pending.At(i));
    endInsertRows();
    return dropped;
}

void WireMonitorModel::Clear() {
    beginResetModel();
    m_ring.Clear();
    endResetModel();
}

QString WireMonitorModel::RowText(int row) const {
    if (row < 0 || row >= rowCount()) return QString();
    int part = 0;
    const size_t exchange = m_ring.ExchangeOfRow(static_cast<size_t>(row), &part);
    return QString::fromStdString(WireRowLine(FormatWireRow(m_ring.At(exchange), part)));
}
