#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <memory>
#include <vector>

#include "cmycugerrormsg.h"
#include "mycug.h"
#include "pixels.h"

namespace {

template <typename Grid>
void ShowGrid(Grid* grid, int width, int height) {
    grid->resize(width, height);
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid));
}

void FillPattern(MyCug* grid) {
    for (int i = 0; i < grid->capacity(); ++i) grid->data()[i] = static_cast<uint8_t>(0xA0 + i);
}

// Opens the cell editor the way a user does, by double-clicking the cell: a
// press and release, then the double-click of the second press.
template <typename Grid>
QLineEdit* DoubleClickCell(Grid* grid, int row, int column) {
    const QModelIndex index = grid->model()->index(row, column);
    const QPoint at = grid->visualRect(index).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return qobject_cast<QLineEdit*>(grid->indexWidget(index));
}

void Commit(QLineEdit* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(MyCugTest, ShapeFollowsCapacity) {
    MyCug small(28);
    EXPECT_EQ(small.model()->rowCount(), 4);
    EXPECT_EQ(small.model()->columnCount(), 8);
    MyCug io(144);
    EXPECT_EQ(io.model()->rowCount(), 18);
    MyCug exact(16);
    EXPECT_EQ(exact.model()->rowCount(), 2);
    MyCug one(1);
    EXPECT_EQ(one.model()->rowCount(), 1);

    ShowGrid(&io, 250, 200);
    EXPECT_EQ(io.columnWidth(0), 19);
    EXPECT_EQ(io.columnWidth(7), 19);
    EXPECT_EQ(io.rowHeight(0), 19);
    EXPECT_EQ(io.rowHeight(17), 19);
    EXPECT_EQ(io.verticalHeader()->width(), 32);
}

TEST(MyCugTest, HeadingsAndCellTextsComeFromTheBuffer) {
    MyCug grid(144);
    FillPattern(&grid);
    grid.data()[9] = 0x0A;
    grid.setUsed(10);
    QAbstractItemModel* m = grid.model();
    EXPECT_EQ(m->headerData(0, Qt::Vertical).toString(), "0");
    EXPECT_EQ(m->headerData(1, Qt::Vertical).toString(), "8");
    EXPECT_EQ(m->headerData(2, Qt::Vertical).toString(), "16");
    EXPECT_EQ(m->headerData(17, Qt::Vertical).toString(), "136");
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), QString::number(c));
    EXPECT_EQ(m->index(0, 0).data().toString(), "A0");
    EXPECT_EQ(m->index(1, 1).data().toString(), "0A");
    EXPECT_EQ(m->index(1, 2).data().toString(), "");
    EXPECT_EQ(m->index(1, 1).data(Qt::ToolTipRole).toString(), "Col:1 Row:1");

    // Writing the buffer is enough: nothing is cached per cell.
    grid.data()[0] = 0x5C;
    EXPECT_EQ(grid.CellText(0, 0), "5C");

    grid.setUsed(0);
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < 8; ++c) ASSERT_EQ(m->index(r, c).data().toString(), "");
    EXPECT_EQ(m->headerData(3, Qt::Vertical).toString(), "24");
    EXPECT_EQ(m->headerData(7, Qt::Horizontal).toString(), "7");

    grid.setUsed(500);
    EXPECT_EQ(grid.used(), 144);
    grid.setUsed(-3);
    EXPECT_EQ(grid.used(), 0);
}

TEST(MyCugTest, SetBytesCopiesAtMostCapacity) {
    MyCug grid(28);
    std::vector<uint8_t> bytes(40);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
    grid.SetBytes(bytes.data(), 40);
    EXPECT_EQ(grid.used(), 28);
    EXPECT_EQ(grid.CellText(3, 3), "1C");
    EXPECT_EQ(grid.CellText(3, 4), "");

    grid.SetBytes(bytes.data(), 3);
    EXPECT_EQ(grid.used(), 3);
    EXPECT_EQ(grid.CellText(0, 2), "03");
    EXPECT_EQ(grid.CellText(0, 3), "");
}

TEST(MyCugTest, CellsPastCapacityStayBlankAndStoreNothing) {
    MyCug grid(28);
    grid.setReadOnly(false);
    FillPattern(&grid);
    grid.setUsed(28);
    const std::vector<uint8_t> before(grid.data(), grid.data() + 28);
    for (int c = 4; c < 8; ++c) {
        EXPECT_EQ(grid.CellText(3, c), "");
        grid.SetCellText(3, c, "55");
        EXPECT_FALSE(grid.model()->flags(grid.model()->index(3, c)) & Qt::ItemIsEditable);
    }
    EXPECT_EQ(std::vector<uint8_t>(grid.data(), grid.data() + 28), before);

    ShowGrid(&grid, 250, 150);
    EXPECT_EQ(DoubleClickCell(&grid, 3, 5), nullptr);
    EXPECT_EQ(std::vector<uint8_t>(grid.data(), grid.data() + 28), before);
}

TEST(MyCugTest, StoredTextRules) {
    MyCug grid(28);
    grid.data()[4] = 0x77;
    grid.SetCellText(0, 4, "");
    EXPECT_EQ(grid.data()[4], 0x77) << "empty text keeps the byte";
    grid.SetCellText(0, 4, "a");
    EXPECT_EQ(grid.CellText(0, 4), "0A");
    grid.SetCellText(0, 4, "fF");
    EXPECT_EQ(grid.data()[4], 0xFF);
    grid.SetCellText(0, 4, "zz");
    EXPECT_EQ(grid.data()[4], 0x00) << "no hex digit reads as 0";
    grid.SetCellText(0, 4, "123");
    EXPECT_EQ(grid.data()[4], 0x12) << "two digits at most";

    // Bytes at or beyond used are stored but stay blank until shown.
    grid.setUsed(4);
    grid.SetCellText(0, 6, "3c");
    EXPECT_EQ(grid.data()[6], 0x3C);
    EXPECT_EQ(grid.CellText(0, 6), "");
    EXPECT_EQ(grid.used(), 4);
    grid.setUsed(7);
    EXPECT_EQ(grid.CellText(0, 6), "3C");
}

TEST(MyCugTest, EditorTakesTwoHexDigitsInCapitals) {
    MyCug grid(28);
    grid.setReadOnly(false);
    ShowGrid(&grid, 250, 150);

    QLineEdit* editor = DoubleClickCell(&grid, 0, 1);
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "g");
    EXPECT_EQ(editor->text(), "");
    QTest::keyClicks(editor, "f");
    EXPECT_EQ(editor->text(), "F");
    QTest::keyClicks(editor, "F");
    QTest::keyClicks(editor, "e");
    EXPECT_EQ(editor->text(), "FF") << "a third character is refused";
    Commit(editor);
    EXPECT_EQ(grid.data()[1], 0xFF);
    EXPECT_EQ(grid.CellText(0, 1), "FF");

    editor = DoubleClickCell(&grid, 1, 2);
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "a");
    EXPECT_EQ(editor->text(), "A");
    Commit(editor);
    EXPECT_EQ(grid.data()[10], 0x0A);
    EXPECT_EQ(grid.CellText(1, 2), "0A");

    // Clearing the editor keeps the byte.
    editor = DoubleClickCell(&grid, 0, 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "FF");
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "");
    Commit(editor);
    EXPECT_EQ(grid.data()[1], 0xFF);

    // Typing over the shown text: the whole text is selected on opening.
    editor = DoubleClickCell(&grid, 2, 0);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "g7");
    Commit(editor);
    EXPECT_EQ(grid.data()[16], 0x07);
}

TEST(MyCugTest, ReadOnlyGridIgnoresDoubleClicks) {
    MyCug grid(144);
    ShowGrid(&grid, 250, 150);
    EXPECT_TRUE(grid.isReadOnly());
    EXPECT_EQ(DoubleClickCell(&grid, 0, 0), nullptr);
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);

    // Single clicks and key presses never start an editor either.
    grid.setReadOnly(false);
    const QRect cell = grid.visualRect(grid.model()->index(0, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::keyClick(grid.viewport(), Qt::Key_F2);
    QTest::keyClicks(grid.viewport(), "a");
    EXPECT_EQ(grid.indexWidget(grid.model()->index(0, 0)), nullptr);
}

TEST(MyCugTest, MarkedRowHeadingIsDarkRedAndRestored) {
    MyCug grid(144);
    ShowGrid(&grid, 250, 400);
    QHeaderView* side = grid.verticalHeader();
    const int top = side->sectionViewportPosition(5);
    const int bottom = top + side->sectionSize(5) - 1;
    const QImage plainHeading = pixels::Grab(side);
    const QImage plainCells = pixels::Grab(grid.viewport());

    grid.MarkRowHeading(5, true);
    EXPECT_TRUE(grid.IsRowMarked(5));
    EXPECT_FALSE(grid.IsRowMarked(4));
    const QImage marked = pixels::Grab(side);
    const QRect section(0, top, side->width(), bottom - top + 1);
    EXPECT_GT(pixels::CountColor(marked, QColor(153, 0, 0), section), section.width() * 8);
    EXPECT_GT(pixels::CountNear(marked, QColor(255, 255, 255), 40, section), 3) << "white text";
    EXPECT_TRUE(pixels::DiffersOnlyInRows(plainHeading, marked, top, bottom));
    EXPECT_EQ(pixels::CountColor(plainHeading, QColor(153, 0, 0)), 0);
    EXPECT_EQ(pixels::Grab(grid.viewport()), plainCells) << "data cells keep their look";
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), "40");

    grid.MarkRowHeading(5, false);
    EXPECT_EQ(pixels::Grab(side), plainHeading);

    // Rows that do not exist are ignored.
    grid.MarkRowHeading(18, true);
    grid.MarkRowHeading(-1, true);
    EXPECT_EQ(pixels::Grab(side), plainHeading);
}

TEST(MyCugTest, AreaOutsideCellsIsWhite) {
    MyCug grid(8);
    ShowGrid(&grid, 250, 150);
    const QImage cells = pixels::Grab(grid.viewport());
    EXPECT_EQ(QColor(cells.pixel(cells.width() - 5, cells.height() - 5)), QColor(255, 255, 255));
}

TEST(CMyCUGErrorMsgTest, ShapeAndTexts) {
    CMyCUGErrorMsg grid;
    QAbstractItemModel* m = grid.model();
    EXPECT_EQ(m->rowCount(), 4);
    EXPECT_EQ(m->columnCount(), 6);
    std::array<uint8_t, 30> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x10 + i);
    grid.SetBytes(bytes.data(), 30);
    EXPECT_EQ(grid.used(), 24);
    EXPECT_EQ(m->index(0, 0).data().toString(), "10");
    EXPECT_EQ(m->index(3, 5).data().toString(), "27");
    EXPECT_EQ(m->index(2, 1).data().toString(), "1D");
    EXPECT_EQ(m->index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    grid.setUsed(7);
    EXPECT_EQ(m->index(1, 0).data().toString(), "16");
    EXPECT_EQ(m->index(1, 1).data().toString(), "");
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(m->headerData(r, Qt::Vertical).toString(), QString::number(r));
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "索引");
    EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "错误码");
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);

    ShowGrid(&grid, 420, 140);
    EXPECT_EQ(grid.columnWidth(0), 60);
    EXPECT_EQ(grid.columnWidth(5), 60);
    EXPECT_EQ(grid.rowHeight(3), 23);
    EXPECT_EQ(grid.verticalHeader()->width(), 23);
    EXPECT_EQ(DoubleClickCell(&grid, 0, 0), nullptr);
}

TEST(CMyCUGErrorMsgTest, JoinedHeadingsAndRedSeparator) {
    CMyCUGErrorMsg grid;
    ShowGrid(&grid, 420, 140);
    const QImage cells = pixels::Grab(grid.viewport());
    const QColor red(255, 0, 0);
    const int x = grid.columnViewportPosition(2);
    for (int r = 0; r < 4; ++r) {
        const int y = grid.rowViewportPosition(r) + grid.rowHeight(r) / 2;
        EXPECT_EQ(QColor(cells.pixel(x, y)), red) << "row " << r;
        EXPECT_NE(QColor(cells.pixel(grid.columnViewportPosition(3), y)), red);
        EXPECT_NE(QColor(cells.pixel(grid.columnViewportPosition(1), y)), red);
    }
    EXPECT_EQ(pixels::CountColor(cells, red), 4 * 23);

    // Inside a joined heading the section borders are not drawn: along a line
    // near the top (clear of the text) the pixel at a joined border matches
    // its neighbours, the pixel at the border between the two headings does
    // not.
    QHeaderView* top = grid.horizontalHeader();
    const QImage heading = pixels::Grab(top);
    const int y = 2;
    auto at = [&](int px) { return QColor(heading.pixel(px, y)); };
    const int b01 = top->sectionViewportPosition(1);
    const int b12 = top->sectionViewportPosition(2);
    const int b34 = top->sectionViewportPosition(4);
    EXPECT_EQ(at(b01 - 1), at(b01 - 10));
    EXPECT_EQ(at(b01), at(b01 + 10));
    EXPECT_EQ(at(b34 - 1), at(b34 - 10));
    EXPECT_TRUE(at(b12 - 1) != at(b12 - 10) || at(b12) != at(b12 + 10));
    // Some text is drawn in the middle of each joined heading.
    const QColor back = pixels::DominantColor(heading);
    EXPECT_LT(pixels::CountNear(heading, back, 60, QRect(b01 - 20, 0, 40, heading.height())),
              40 * heading.height());
    EXPECT_LT(pixels::CountNear(heading, back, 60, QRect(b34 - 20, 0, 40, heading.height())),
              40 * heading.height());
}
