#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include "exchangering.h"

// The wire monitor's rows: one per frame, formatted from the ring of kept
// exchanges whenever the view asks for a cell (nothing is kept per cell).
class WireMonitorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WireMonitorModel(size_t capacity = ExchangeRing::kDefaultCapacity,
                              QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Moves the exchanges of `pending` (oldest first) to the end, dropping the
    // oldest kept ones beyond the capacity. Returns the rows dropped at the top.
    int Append(const ExchangeRing& pending);
    void Clear();

    const ExchangeRing& ring() const { return m_ring; }
    // A row as a text line (tab-separated fields).
    QString RowText(int row) const;

private:
    ExchangeRing m_ring;
    QFont m_fixedFont;
};
