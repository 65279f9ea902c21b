#pragma once

#include <QTableView>
#include <cstdint>

// Read-only grid of 24 error-message bytes: 4 rows of 6 cells under the
// joined headings "索引" (columns 0-1) and "错误码" (columns 2-5), with a red
// separator before column 2.
class CMyCUGErrorMsg : public QTableView {
    Q_OBJECT
public:
    explicit CMyCUGErrorMsg(QWidget* parent = nullptr);
    ~CMyCUGErrorMsg() override;

    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    int used() const { return m_used; }
    void setUsed(int used);  // clamped to 0..24
    // Copies min(n, 24) bytes and sets used to that count; then redraws.
    void SetBytes(const uint8_t* bytes, int n);
    void RedrawAll();
    QString CellText(int row, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint8_t m_data[24] = {};
    int m_used = 24;
    class ErrorMsgModel* m_model;
};
