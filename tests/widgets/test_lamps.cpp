#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

#include "cbuttonex.h"
#include "interruptindicatorrow.h"
#include "pixels.h"

namespace {

const QColor kLit(153, 0, 0);
const QColor kOff(230, 230, 230);
const QColor kWhite(255, 255, 255);

// A point of the face that neither the raised edge nor a centred caption of
// a few letters covers.
constexpr int kFaceX = 6;
constexpr int kFaceY = 8;

struct RowPage {
    std::unique_ptr<QWidget> page = std::make_unique<QWidget>();
    InterruptIndicatorRow* row;
    explicit RowPage(bool clickable, int left = 20, int top = 98) {
        page->resize(470, 470);
        // Like on a real page, another control holds the focus at first.
        (new QLineEdit(page.get()))->setGeometry(20, 20, 100, 20);
        row = new InterruptIndicatorRow(page.get(), left, top, clickable);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    CButtonEx* lamp(int k) const { return row->button(k); }
};

// Caption area of a lamp; text is smoothed, so its pixels are counted by
// closeness to the caption colour.
int CaptionPixels(const QImage& image, const QColor& color, int tolerance = 40) {
    return pixels::CountNear(image, color, tolerance, QRect(8, 3, 24, 12));
}

}  // namespace

TEST(InterruptIndicatorRowTest, LampsCarryTheInterruptBitTable) {
    // Caption and tooltip of bits 9 down to 0, left to right.
    const struct {
        const char* caption;
        const char* description;
    } bits[10] = {
        {"SYSS", "模块系统异常"},
        {"APW", "应用程序未在看门狗时间内发送有效的命令"},
        {"PARAM", "接收到主站非循环非实时数据"},
        {"IDLE", "现场总线进入空闲状态"},
        {"RES", "接收到主站发送复位"},
        {"DEF", "接收到主站恢复出厂设置"},
        {"I/O", "接收到主站非循环实时数据"},
        {"FBOFF", "现场总线进入离线状态"},
        {"FBON", "当现场总线进入上线状态"},
        {"START ", "模块上电后开始准备好通信"},
    };
    RowPage p(true, 15, 90);
    for (int k = 0; k < 10; ++k) {
        CButtonEx* lamp = p.lamp(k);
        SCOPED_TRACE(k);
        EXPECT_EQ(lamp->text(), QString::fromUtf8(bits[k].caption));
        EXPECT_EQ(lamp->toolTip(), QString::fromUtf8(bits[k].description));
        EXPECT_EQ(lamp->geometry(), QRect(15 + 40 * k, 90, 40, 18));
        EXPECT_EQ(lamp->property("controlId").toInt(), 10000 + k);
        EXPECT_EQ(lamp->objectName(), QString::number(10000 + k));
        EXPECT_EQ(lamp->font().pointSize(), 7);
        EXPECT_TRUE(lamp->isVisible());
        EXPECT_EQ(lamp->state(), CButtonEx::Off);
    }
    if (QFontDatabase::families().contains("Arial")) {
        EXPECT_EQ(p.lamp(0)->font().family(), "Arial");
    } else {
        EXPECT_EQ(p.lamp(0)->font().family(),
                  QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    }
}

TEST(InterruptIndicatorRowTest, ShowMaskLightsExactlyItsBits) {
    RowPage p(false);
    p.row->ShowInterruptMask(0x0208);
    for (int k = 0; k < 10; ++k) {
        const QString caption = p.lamp(k)->text();
        const bool expectLit = caption == "SYSS" || caption == "I/O";
        EXPECT_EQ(p.lamp(k)->state(), expectLit ? CButtonEx::Lit : CButtonEx::Off) << k;
    }
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0208);

    // A second word replaces the first entirely; bits above 9 are ignored.
    p.row->ShowInterruptMask(0xFC01);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0001);
    EXPECT_EQ(p.lamp(9)->state(), CButtonEx::Lit);
    EXPECT_EQ(p.lamp(0)->state(), CButtonEx::Off);

    for (unsigned mask = 0; mask < 0x400; ++mask) {
        p.row->ShowInterruptMask(static_cast<uint16_t>(mask));
        ASSERT_EQ(p.row->ReadInterruptMask(), mask);
    }
}

TEST(InterruptIndicatorRowTest, ClickableRowTogglesAndReadsBack) {
    RowPage p(true);
    QSignalSpy spy(p.row, &InterruptIndicatorRow::toggled);
    QTest::mouseClick(p.lamp(0), Qt::LeftButton);
    QTest::mouseClick(p.lamp(6), Qt::LeftButton);
    QTest::mouseClick(p.lamp(9), Qt::LeftButton);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0209);
    QTest::mouseClick(p.lamp(0), Qt::LeftButton);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0009);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(3).at(0).toInt(), 0);

    // A shown word is the starting point of further clicks.
    p.row->ShowInterruptMask(0x0003);
    QTest::mouseClick(p.lamp(8), Qt::LeftButton);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0001);
}

TEST(InterruptIndicatorRowTest, DisplayRowIgnoresClicks) {
    RowPage p(false);
    QSignalSpy spy(p.row, &InterruptIndicatorRow::toggled);
    p.row->ShowInterruptMask(0x0208);
    for (int k = 0; k < 10; ++k) QTest::mouseClick(p.lamp(k), Qt::LeftButton);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0208);
    EXPECT_EQ(spy.count(), 0);
}

TEST(CButtonExTest, LitAndOffFacesArePaintedInTheirColours) {
    RowPage p(false);
    p.row->ShowInterruptMask(0x0200);

    const QImage lit = pixels::Grab(p.lamp(0));
    ASSERT_EQ(lit.size(), QSize(40, 18));
    EXPECT_EQ(QColor(lit.pixel(kFaceX, kFaceY)), kLit);
    EXPECT_EQ(QColor(lit.pixel(20, 1)), kLit);
    // Light, not the face's dark red: how near the strokes come to pure
    // white depends on the font the locale picks (a CJK font's thin strokes
    // are mostly antialiased).
    EXPECT_GT(CaptionPixels(lit, kWhite, 80), 3) << "white caption";
    // No raised edge on a lit lamp: the columns where it would run are face.
    EXPECT_EQ(QColor(lit.pixel(2, 9)), kLit);
    EXPECT_EQ(QColor(lit.pixel(3, 9)), kLit);

    const QImage off = pixels::Grab(p.lamp(1));
    EXPECT_EQ(QColor(off.pixel(kFaceX, kFaceY)), kOff);
    EXPECT_GT(CaptionPixels(off, QColor(0, 0, 0), 60), 3) << "dark caption";
    EXPECT_EQ(CaptionPixels(off, kWhite, 10), 0);
    // The raised edge starts two pixels in from the left and one from the top.
    EXPECT_NE(QColor(off.pixel(2, 9)), kOff);
    EXPECT_NE(QColor(off.pixel(20, 1)), kOff);
    EXPECT_EQ(QColor(off.pixel(1, 9)), kOff);
}

TEST(CButtonExTest, LampDisabledItselfLooksDisabledAndComesBackOff) {
    RowPage p(true);
    p.row->ShowInterruptMask(0x0200);
    CButtonEx* lamp = p.lamp(0);
    const QColor disabledText = lamp->disabledTextColor();

    lamp->setEnabled(false);
    const QImage disabled = pixels::Grab(lamp);
    EXPECT_EQ(lamp->state(), CButtonEx::Disabled);
    EXPECT_EQ(QColor(disabled.pixel(kFaceX, kFaceY)), lamp->disabledBackColor());
    EXPECT_EQ(lamp->disabledBackColor(), kOff);
    EXPECT_GT(CaptionPixels(disabled, disabledText, 12), 3);
    EXPECT_EQ(CaptionPixels(disabled, QColor(0, 0, 0), 60), 0);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0);

    // Clicks do not reach a disabled lamp.
    QTest::mouseClick(lamp, Qt::LeftButton);
    EXPECT_EQ(lamp->state(), CButtonEx::Disabled);

    lamp->setEnabled(true);
    const QImage enabled = pixels::Grab(lamp);
    EXPECT_EQ(lamp->state(), CButtonEx::Off);
    EXPECT_EQ(QColor(enabled.pixel(kFaceX, kFaceY)), kOff);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0);
}

TEST(CButtonExTest, DisablingTheParentKeepsLitLampsAndTheirBits) {
    RowPage p(true);
    p.row->ShowInterruptMask(0x0208);
    p.page->setEnabled(false);
    EXPECT_EQ(p.lamp(0)->state(), CButtonEx::Lit);
    EXPECT_EQ(QColor(pixels::Grab(p.lamp(0)).pixel(kFaceX, kFaceY)), kLit);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0208);

    p.page->setEnabled(true);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0208);
    EXPECT_EQ(QColor(pixels::Grab(p.lamp(6)).pixel(kFaceX, kFaceY)), kLit);

    // Shown while the page is disabled: still read back afterwards.
    p.page->setEnabled(false);
    p.row->ShowInterruptMask(0x0001);
    p.page->repaint();
    p.page->setEnabled(true);
    EXPECT_EQ(p.row->ReadInterruptMask(), 0x0001);
}

TEST(CButtonExTest, CaptionTooWideIsElidedOnOneLine) {
    QWidget page;
    (new QLineEdit(&page))->setGeometry(0, 40, 40, 20);
    auto* wide = new CButtonEx("Initialisation", &page);
    wide->setGeometry(0, 0, 40, 18);
    wide->setFont(QFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 7));
    const QString elided =
        wide->fontMetrics().elidedText("Initialisation", Qt::ElideRight, 40, Qt::TextSingleLine);
    ASSERT_NE(elided, "Initialisation") << "the probe caption must be too wide";
    auto* reference = new CButtonEx(elided, &page);
    reference->setGeometry(0, 20, 40, 18);
    reference->setFont(wide->font());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(pixels::Grab(wide), pixels::Grab(reference));

    // Caption is read once, at the first drawing.
    const QImage before = pixels::Grab(reference);
    reference->setText("XX");
    EXPECT_EQ(pixels::Grab(reference), before);
}

TEST(CButtonExTest, LampsTakeFocusByClickButAreNoTabStops) {
    QWidget page;
    page.resize(470, 200);
    auto* before = new QLineEdit(&page);
    before->setGeometry(20, 20, 100, 20);
    auto* row = new InterruptIndicatorRow(&page, 20, 98, true);
    auto* after = new QLineEdit(&page);
    after->setGeometry(20, 140, 100, 20);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));

    before->setFocus();
    ASSERT_TRUE(before->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus()) << QApplication::focusWidget()->objectName().toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(before->hasFocus()) << QApplication::focusWidget()->objectName().toStdString();

    for (int k = 0; k < 10; ++k) EXPECT_EQ(row->button(k)->focusPolicy(), Qt::ClickFocus) << k;
    QTest::mouseClick(row->button(4), Qt::LeftButton);
    EXPECT_TRUE(row->button(4)->hasFocus());
}

TEST(CButtonExTest, FocusedLampShowsAnOutline) {
    RowPage p(true);
    const QImage unfocused = pixels::Grab(p.lamp(3));
    p.page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.page.get()));
    p.lamp(3)->setFocus();
    ASSERT_TRUE(p.lamp(3)->hasFocus());
    const QImage focused = pixels::Grab(p.lamp(3));
    EXPECT_NE(focused, unfocused);
    // The outline runs on the lamp's top border, above the raised edge, where
    // the unfocused face is plain.
    EXPECT_EQ(pixels::CountColor(unfocused, kOff, QRect(5, 0, 30, 1)), 30);
    EXPECT_LE(pixels::CountColor(focused, kOff, QRect(5, 0, 30, 1)), 15);
}
