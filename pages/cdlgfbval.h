#pragma once

#include <QDialog>
#include <cstdint>

class MyCug;

// "FB Fault Value": edits the 28 fault values of the general page in an
// editable byte grid. The owner copies the values in before exec() and takes
// them back only when the dialog was accepted ("确定").
class CDlgFbVal : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCapacity = 28;

    explicit CDlgFbVal(QWidget* parent = nullptr);
    ~CDlgFbVal() override;

    // Shows the first count (at most 28) bytes.
    void SetValues(const uint8_t* values, int count);
    // Bytes and count the grid holds now, edits included.
    const uint8_t* Values() const;
    int Count() const;

    MyCug* grid() const { return m_grid; }

private:
    MyCug* m_grid;
};
