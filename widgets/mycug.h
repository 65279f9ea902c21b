#pragma once

#include <QTableView>
#include <cstdint>
#include <vector>

class MyCugModel;

// Byte grid: eight bytes a row, each cell "%02X" formatted from the buffer
// when drawn, row headings 0, 8, 16, ... An editable grid (readOnly false)
// edits a cell on double-click, accepting at most two hex digits.
class MyCug : public QTableView {
    Q_OBJECT
public:
    explicit MyCug(int capacity, QWidget* parent = nullptr);
    ~MyCug() override;

    // Set before the grid is shown; a read-only grid never starts an editor.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    int capacity() const { return static_cast<int>(m_data.size()); }
    int columns() const { return 8; }
    int rows() const { return (capacity() - 1) / columns() + 1; }

    // The owner reads and writes the bytes directly, then calls RedrawAll.
    uint8_t* data() { return m_data.data(); }
    const uint8_t* data() const { return m_data.data(); }
    int used() const { return m_used; }
    // Clamped to 0..capacity.
    void setUsed(int used);
    // Copies min(n, capacity) bytes to the start of the buffer and sets used
    // to that count; then redraws.
    void SetBytes(const uint8_t* bytes, int n);
    void RedrawAll();

    // Marked: the row heading gets RGB(153,0,0) with white text; otherwise
    // the plain heading look.
    void MarkRowHeading(int row, bool marked);
    bool IsRowMarked(int row) const;

    // Text the grid shows for a cell (data cells "" beyond used), for tests.
    QString CellText(int row, int column) const;
    // Stores an edited text as the editor would: empty keeps the byte,
    // otherwise up to two hex digits; indices >= capacity store nothing.
    void SetCellText(int row, int column, const QString& text);

private:
    friend class MyCugModel;
    std::vector<uint8_t> m_data;
    std::vector<bool> m_marked;
    int m_used;
    bool m_readOnly = true;
    MyCugModel* m_model;
};
