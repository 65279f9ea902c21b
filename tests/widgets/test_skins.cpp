#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>

#include "cbuttonex.h"
#include "cmycugerrormsg.h"
#include "interruptindicatorrow.h"
#include "mycug.h"
#include "pixels.h"
#include "skinmanager.h"
#include "tempdir.h"

namespace {

const QString kStyles = QStringLiteral(QUILLON_STYLES_DIR "/");

struct Look {
    const char* name;
    QString skin;
    QString scheme;
};

std::vector<Look> AllLooks() {
    return {
        {"Default", QString(), QString()},
        {"Luna", kStyles + "WinXP.Luna.cjstyles", QString()},
        {"Royale", kStyles + "WinXP.Royale.cjstyles", QString()},
        {"Vista", kStyles + "Vista.cjstyles", QString()},
        {"Office2007", kStyles + "Office2007.cjstyles", QString()},
        {"VistaBlack", kStyles + "Vista.cjstyles", kStyles + "NormalBlack2.ini"},
    };
}

void WriteFile(const std::string& path, const char* text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Every test leaves the application in the plain look.
class SkinTest : public ::testing::Test {
protected:
    void TearDown() override { SkinManager::Instance().LoadSkin(QString()); }
    static QString Sheet() { return qApp->styleSheet(); }
};

// One of each control the pages use, on a dialog with a tab widget.
struct Probe {
    std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
    QTabWidget* tabs = new QTabWidget(dialog.get());
    QWidget* page = new QWidget;
    QLabel* pageLabel = new QLabel("Mode 模式", page);
    QGroupBox* group = new QGroupBox("MWMW 主题", page);
    QLineEdit* edit = new QLineEdit("MWMW 1234", group);
    QLineEdit* disabledEdit = new QLineEdit("MWMW 1234", group);
    QComboBox* combo = new QComboBox(group);
    QCheckBox* check = new QCheckBox("MWMW 校验", group);
    QCheckBox* checkedBox = new QCheckBox("On", group);
    QRadioButton* checkedRadio = new QRadioButton("On", group);
    QRadioButton* uncheckedRadio = new QRadioButton("On", group);
    QRadioButton* pageRadio = new QRadioButton("MWMW Luna", group);
    QPushButton* button = new QPushButton("MWMW 打开", group);
    QPushButton* disabledButton = new QPushButton("MWMW 关闭", group);
    QLabel* label = new QLabel("MWMW 设备模式:", dialog.get());
    QRadioButton* radio = new QRadioButton("MWMW Vista", dialog.get());
    QGroupBox* themeGroup = new QGroupBox("MWMW 主题", dialog.get());
    QPushButton* dialogButton = new QPushButton("MWMW 读取", dialog.get());

    Probe() {
        dialog->resize(560, 330);
        tabs->setGeometry(5, 5, 330, 320);
        tabs->addTab(page, "串口 COM");
        tabs->addTab(new QWidget, "通用参数 MW");
        pageLabel->setGeometry(10, 5, 150, 22);
        group->setGeometry(10, 30, 300, 230);
        edit->setGeometry(10, 25, 130, 24);
        disabledEdit->setGeometry(150, 25, 130, 24);
        disabledEdit->setEnabled(false);
        combo->setGeometry(10, 60, 130, 24);
        combo->addItems({"MWMW 9600", "19200"});
        check->setGeometry(150, 60, 130, 24);
        pageRadio->setGeometry(10, 95, 130, 24);
        checkedBox->setGeometry(10, 170, 60, 24);
        checkedBox->setChecked(true);
        checkedRadio->setGeometry(80, 170, 60, 24);
        checkedRadio->setAutoExclusive(false);
        checkedRadio->setChecked(true);
        uncheckedRadio->setGeometry(150, 170, 60, 24);
        uncheckedRadio->setAutoExclusive(false);
        button->setGeometry(10, 130, 130, 28);
        disabledButton->setGeometry(150, 130, 130, 28);
        disabledButton->setEnabled(false);
        label->setGeometry(350, 10, 190, 24);
        radio->setGeometry(350, 40, 190, 24);
        themeGroup->setGeometry(350, 75, 190, 60);
        dialogButton->setGeometry(350, 150, 150, 28);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    // The control as it appears inside the dialog, over whatever the dialog
    // and its pane paint behind it.
    QImage Shot(QWidget* w, QRect part = QRect()) const {
        if (part.isNull()) part = w->rect();
        const QPoint at = w->mapTo(dialog.get(), part.topLeft());
        return dialog->grab(QRect(at, part.size())).toImage().convertToFormat(QImage::Format_RGB32);
    }
};

}  // namespace

TEST_F(SkinTest, MissingOrEmptyNamesLeaveThePlainLook) {
    SkinManager& skins = SkinManager::Instance();
    ASSERT_TRUE(skins.LoadSkin(kStyles + "Vista.cjstyles", kStyles + "NormalBlack2.ini"));
    ASSERT_FALSE(Sheet().isEmpty());

    EXPECT_FALSE(skins.LoadSkin(kStyles + "Missing.cjstyles"));
    EXPECT_TRUE(Sheet().isEmpty());
    EXPECT_TRUE(skins.CurrentSkin().isEmpty());

    ASSERT_TRUE(skins.LoadSkin(kStyles + "Vista.cjstyles"));
    EXPECT_EQ(skins.CurrentSkin(), kStyles + "Vista.cjstyles");
    EXPECT_FALSE(skins.LoadSkin(QString(), QString()));
    EXPECT_TRUE(Sheet().isEmpty());

    // The skin folder with an empty file name, and a folder that is not there.
    ASSERT_TRUE(skins.LoadSkin(kStyles + "Vista.cjstyles"));
    EXPECT_FALSE(skins.LoadSkin(kStyles));
    EXPECT_TRUE(Sheet().isEmpty());
    EXPECT_FALSE(skins.LoadSkin("/nonexistent-quillon/Styles/Vista.cjstyles",
                                "/nonexistent-quillon/Styles/NormalBlack2.ini"));
    EXPECT_TRUE(Sheet().isEmpty());

    // A missing scheme leaves the skin's own colours.
    EXPECT_TRUE(skins.LoadSkin(kStyles + "Vista.cjstyles", kStyles + "Missing.ini"));
    const QString withMissingScheme = Sheet();
    EXPECT_TRUE(skins.LoadSkin(kStyles + "Vista.cjstyles"));
    EXPECT_EQ(Sheet(), withMissingScheme);

    skins.SetApplyOptions(skins.GetApplyOptions() | 1);
    EXPECT_EQ(skins.GetApplyOptions() & 1, 1);
}

TEST_F(SkinTest, SchemeColoursReplaceTheSkinDefaults) {
    TempDir dir;
    WriteFile(dir.file("t.cjstyles"),
              "/* colours: @face is the button face */\n"
              "@face = #112233;\n"
              "@faceText = #FFFFFF;\n"
              "@rim = #010203\n"
              "QPushButton { background: @face; color: @faceText; border: 1px solid @rim; }\n");
    WriteFile(dir.file("s.ini"),
              "; a scheme\r\n"
              "[Other]\r\n"
              "face=#999999\r\n"
              "[Colors]\r\n"
              "FACE = #445566\r\n"
              "unknown=#ABCDEF\r\n"
              "rim=not-a-colour\r\n");
    SkinManager& skins = SkinManager::Instance();

    ASSERT_TRUE(skins.LoadSkin(QString::fromStdString(dir.file("t.cjstyles"))));
    EXPECT_TRUE(Sheet().contains("background: #112233; color: #FFFFFF; border: 1px solid #010203;"))
        << Sheet().toStdString();
    EXPECT_FALSE(Sheet().contains('@'));

    ASSERT_TRUE(skins.LoadSkin(QString::fromStdString(dir.file("t.cjstyles")),
                               QString::fromStdString(dir.file("s.ini"))));
    EXPECT_TRUE(Sheet().contains("background: #445566; color: #FFFFFF; border: 1px solid #010203;"))
        << Sheet().toStdString();
    EXPECT_FALSE(Sheet().contains("#ABCDEF"));
    EXPECT_FALSE(Sheet().contains("#999999"));

    // A sheet naming a colour nobody defines would be thrown away whole by
    // Qt: it counts as unreadable.
    WriteFile(dir.file("bad.cjstyles"), "QLabel { color: @nowhere; }\n");
    EXPECT_FALSE(skins.LoadSkin(QString::fromStdString(dir.file("bad.cjstyles"))));
    EXPECT_TRUE(Sheet().isEmpty());
}

TEST_F(SkinTest, EverySkinLoadsAndLooksDifferent) {
    std::vector<QImage> shots;
    for (const Look& look : AllLooks()) {
        SCOPED_TRACE(look.name);
        const bool loaded = SkinManager::Instance().LoadSkin(look.skin, look.scheme);
        EXPECT_EQ(loaded, !look.skin.isEmpty());
        EXPECT_EQ(Sheet().isEmpty(), look.skin.isEmpty());
        EXPECT_FALSE(Sheet().contains('@'));
        Probe probe;
        shots.push_back(probe.dialog->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
    const auto looks = AllLooks();
    for (size_t a = 0; a < shots.size(); ++a)
        for (size_t b = a + 1; b < shots.size(); ++b) {
            int differing = 0;
            for (int y = 0; y < shots[a].height(); ++y)
                for (int x = 0; x < shots[a].width(); ++x)
                    if (shots[a].pixel(x, y) != shots[b].pixel(x, y)) ++differing;
            const int total = shots[a].width() * shots[a].height();
            EXPECT_GT(differing, total / 3) << looks[a].name << " vs " << looks[b].name;
        }
}

TEST_F(SkinTest, TextStaysReadableOnEveryControl) {
    for (const Look& look : AllLooks()) {
        SCOPED_TRACE(look.name);
        SkinManager::Instance().LoadSkin(look.skin, look.scheme);
        Probe p;
        auto inner = [](QWidget* w, int left = 3) {
            return QRect(left, 3, w->width() - left - 3, w->height() - 6);
        };
        const struct {
            const char* what;
            QImage shot;
            double minimum;
        } cases[] = {
            {"label on dialog", p.Shot(p.label), 4.5},
            {"radio on dialog", p.Shot(p.radio, inner(p.radio, 22)), 4.5},
            {"group title on dialog", p.Shot(p.themeGroup, QRect(0, 0, 150, 16)), 4.5},
            {"button on dialog", p.Shot(p.dialogButton, inner(p.dialogButton, 6)), 4.5},
            {"label on page", p.Shot(p.pageLabel), 4.5},
            {"group title on page", p.Shot(p.group, QRect(0, 0, 150, 16)), 4.5},
            {"edit", p.Shot(p.edit, inner(p.edit)), 4.5},
            {"combo", p.Shot(p.combo, QRect(3, 3, 100, 18)), 4.5},
            {"check box", p.Shot(p.check, inner(p.check, 22)), 4.5},
            {"radio on page", p.Shot(p.pageRadio, inner(p.pageRadio, 22)), 4.5},
            {"button", p.Shot(p.button, inner(p.button, 6)), 4.5},
            {"selected tab", p.Shot(p.tabs->tabBar(), p.tabs->tabBar()->tabRect(0).adjusted(4, 4, -4, -3)), 4.5},
            {"other tab", p.Shot(p.tabs->tabBar(), p.tabs->tabBar()->tabRect(1).adjusted(4, 4, -4, -3)), 4.5},
            {"disabled edit", p.Shot(p.disabledEdit, inner(p.disabledEdit)), 2.0},
            {"disabled button", p.Shot(p.disabledButton, inner(p.disabledButton, 6)), 2.0},
        };
        // A check mark or radio dot must stand out from the well it sits in:
        // compare each indicator checked and unchecked.
        const QRect indicator(0, 0, 20, 24);
        const struct {
            const char* what;
            QImage on, off;
        } marks[] = {
            {"check mark", p.Shot(p.checkedBox, indicator), p.Shot(p.check, indicator)},
            {"radio dot", p.Shot(p.checkedRadio, indicator), p.Shot(p.uncheckedRadio, indicator)},
        };
        for (const auto& m : marks) {
            double best = 1.0;
            for (int y = 0; y < m.on.height(); ++y)
                for (int x = 0; x < m.on.width(); ++x)
                    best = std::max(best, pixels::Contrast(m.on.pixel(x, y), m.off.pixel(x, y)));
            EXPECT_GE(best, 3.0) << m.what;
        }
        for (const auto& c : cases) {
            // Faded disabled text in the plain look is the platform's own.
            if (look.skin.isEmpty() && c.minimum < 4.5) continue;
            const double contrast = pixels::TextContrast(c.shot);
            EXPECT_GE(contrast, c.minimum) << c.what;
        }
    }
}

TEST_F(SkinTest, MeaningfulColoursSurviveEverySkin) {
    for (const Look& look : AllLooks()) {
        SCOPED_TRACE(look.name);
        SkinManager::Instance().LoadSkin(look.skin, look.scheme);
        QDialog dialog;
        dialog.resize(470, 400);
        auto* row = new InterruptIndicatorRow(&dialog, 15, 10, true);
        auto* grid = new MyCug(144, &dialog);
        grid->setGeometry(15, 40, 210, 200);
        auto* errors = new CMyCUGErrorMsg(&dialog);
        errors->setGeometry(15, 250, 420, 120);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        row->ShowInterruptMask(0x0200);
        grid->setUsed(8);
        grid->MarkRowHeading(0, true);

        const QImage lit = pixels::Grab(row->button(0));
        const QImage off = pixels::Grab(row->button(1));
        EXPECT_EQ(QColor(lit.pixel(6, 8)), QColor(153, 0, 0));
        EXPECT_EQ(QColor(off.pixel(6, 8)), QColor(230, 230, 230));

        const QImage cells = pixels::Grab(grid->viewport());
        const QRect cell = grid->visualRect(grid->model()->index(0, 1));
        EXPECT_EQ(pixels::DominantColor(cells, cell.adjusted(1, 1, -2, -2)), QColor(255, 255, 255));
        EXPECT_GE(pixels::TextContrast(cells, cell.adjusted(1, 1, -2, -2)), 7.0);
        EXPECT_EQ(QColor(cells.pixel(cells.width() - 3, cells.height() - 3)), QColor(255, 255, 255));

        const QImage heading = pixels::Grab(grid->verticalHeader());
        EXPECT_EQ(QColor(heading.pixel(28, 9)), QColor(153, 0, 0));

        const QImage errorCells = pixels::Grab(errors->viewport());
        const int x = errors->columnViewportPosition(2);
        EXPECT_EQ(QColor(errorCells.pixel(x, 10)), QColor(255, 0, 0));
    }
}
