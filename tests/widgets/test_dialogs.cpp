#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "ctabsheet.h"
#include "int_box.h"
#include "keyswallower.h"
#include "messagerecorder.h"
#include "messages.h"
#include "mycug.h"

namespace {

const QString kNotInteger = QStringLiteral("请输入一个整数。");

void ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

}  // namespace

TEST(MessagesTest, RecorderReceivesEveryTextAndMarksTheBoxOpen) {
    MessageRecorder recorder;
    EXPECT_FALSE(IsMessageOpen());
    ShowMessage(nullptr, "打开串口失败!");
    ShowMessage(nullptr, "关闭串口失败!");
    EXPECT_EQ(recorder.messages(), QStringList({"打开串口失败!", "关闭串口失败!"}));
    EXPECT_FALSE(IsMessageOpen());

    bool openInside = false;
    SetMessageSink([&](QWidget*, const QString&) { openInside = IsMessageOpen(); });
    ShowMessage(nullptr, "x");
    EXPECT_TRUE(openInside);
    EXPECT_FALSE(IsMessageOpen());
}

TEST(MessagesTest, BoxIsModalWithOneOkButtonAndTheProgramName) {
    SetMessageSink({});
    QWidget owner;
    ShowActive(&owner);
    QString title, text;
    int buttons = -1;
    bool modal = false;
    bool openDuring = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        modal = box->isModal();
        openDuring = IsMessageOpen();
        box->button(QMessageBox::Ok)->click();
    });
    ShowMessage(&owner, "修改配置成功!");
    EXPECT_EQ(title, QCoreApplication::applicationName());
    EXPECT_EQ(title, "Quillon");
    EXPECT_EQ(text, "修改配置成功!");
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(openDuring);
    EXPECT_FALSE(IsMessageOpen());
}

TEST(IntBoxTest, AcceptsWholeIntegersWithinBounds) {
    MessageRecorder recorder;
    QLineEdit box;
    int value = 99;
    const struct {
        const char* text;
        int expected;
    } good[] = {{"0", 0}, {"65535", 65535}, {" 12 ", 12}, {"+7", 7}, {"007", 7}};
    for (const auto& c : good) {
        box.setText(c.text);
        EXPECT_TRUE(TakeIntBox(&box, 0, 65535, &value)) << c.text;
        EXPECT_EQ(value, c.expected) << c.text;
    }
    box.setText("-40");
    EXPECT_TRUE(TakeIntBox(&box, -100, 100, &value));
    EXPECT_EQ(value, -40);
    EXPECT_TRUE(recorder.messages().isEmpty());
}

TEST(IntBoxTest, RefusedTextsPromptAndKeepTheValue) {
    MessageRecorder recorder;
    QWidget page;
    auto* other = new QLineEdit(&page);
    auto* box = new QLineEdit(&page);
    ShowActive(&page);

    const char* notIntegers[] = {"", "  ", "abc", "12a", "1 2", "0x10", "1.5", "+", "--1", "１２"};
    for (const char* text : notIntegers) {
        recorder.clear();
        other->setFocus();
        box->setText(QString::fromUtf8(text));
        int value = 5;
        EXPECT_FALSE(TakeIntBox(box, 0, 65535, &value)) << text;
        EXPECT_EQ(value, 5) << text;
        EXPECT_EQ(recorder.messages(), QStringList{kNotInteger}) << text;
        EXPECT_TRUE(box->hasFocus()) << text;
        EXPECT_EQ(box->selectedText(), box->text()) << text;
    }

    const struct {
        const char* text;
        int low, high;
        const char* message;
    } outOfRange[] = {
        {"70000", 0, 65535, "请输入一个介于 0 和 65535 之间的整数。"},
        {"-1", 0, 65535, "请输入一个介于 0 和 65535 之间的整数。"},
        {"4294967296", 0, 65535, "请输入一个介于 0 和 65535 之间的整数。"},
        {"99999999999999999999999", 0, 65535, "请输入一个介于 0 和 65535 之间的整数。"},
        {"-99999999999999999999999", -5, 5, "请输入一个介于 -5 和 5 之间的整数。"},
        {"128", 1, 127, "请输入一个介于 1 和 127 之间的整数。"},
    };
    for (const auto& c : outOfRange) {
        recorder.clear();
        other->setFocus();
        box->setText(c.text);
        int value = 5;
        EXPECT_FALSE(TakeIntBox(box, c.low, c.high, &value)) << c.text;
        EXPECT_EQ(value, 5);
        EXPECT_EQ(recorder.messages(), QStringList{QString::fromUtf8(c.message)}) << c.text;
        EXPECT_TRUE(box->hasFocus());
    }
}

TEST(IntBoxTest, CheckIntTextUsesTheSameRules) {
    MessageRecorder recorder;
    int value = 0;
    EXPECT_TRUE(CheckIntText(nullptr, "250", 0, 255, &value));
    EXPECT_EQ(value, 250);
    EXPECT_FALSE(CheckIntText(nullptr, "256", 0, 255, &value));
    EXPECT_FALSE(CheckIntText(nullptr, "x", 0, 255, &value));
    EXPECT_EQ(value, 250);
    EXPECT_EQ(recorder.messages(),
              QStringList({"请输入一个介于 0 和 255 之间的整数。", kNotInteger}));
}

namespace {

// A dialog with everything that reacts to Enter and Escape by default.
struct KeyDialog {
    std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
    QLineEdit* edit = new QLineEdit(dialog.get());
    QPushButton* button = new QPushButton("发送", dialog.get());
    QComboBox* combo = new QComboBox(dialog.get());
    KeyDialog() {
        dialog->resize(300, 200);
        edit->setGeometry(10, 10, 100, 22);
        button->setGeometry(10, 40, 100, 26);
        button->setDefault(true);
        combo->setGeometry(10, 80, 100, 22);
        combo->addItems({"启动", "复位", "恢复出厂默认"});
    }
};

}  // namespace

TEST(KeySwallowerTest, EnterAndEscapeNeitherCloseNorPress) {
    KeyDialog bare;
    ShowActive(bare.dialog.get());
    QSignalSpy barePressed(bare.button, &QPushButton::clicked);
    QTest::keyClick(bare.edit, Qt::Key_Return);
    EXPECT_EQ(barePressed.count(), 1) << "without the swallower Enter presses the default button";

    KeyDialog guarded;
    KeySwallower::Install(guarded.dialog.get());
    ShowActive(guarded.dialog.get());
    QSignalSpy pressed(guarded.button, &QPushButton::clicked);
    QSignalSpy rejected(guarded.dialog.get(), &QDialog::rejected);
    QSignalSpy returned(guarded.edit, &QLineEdit::returnPressed);
    for (QWidget* target : {static_cast<QWidget*>(guarded.edit), static_cast<QWidget*>(guarded.button),
                            static_cast<QWidget*>(guarded.combo), static_cast<QWidget*>(guarded.dialog.get())}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        QTest::keyClick(target, Qt::Key_Escape);
    }
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_EQ(returned.count(), 0);
    EXPECT_TRUE(guarded.dialog->isVisible());

    // Other keys still work.
    guarded.edit->setFocus();
    QTest::keyClicks(guarded.edit, "12ab");
    EXPECT_EQ(guarded.edit->text(), "12ab");
    guarded.button->setFocus();
    QTest::keyClick(guarded.button, Qt::Key_Space);
    EXPECT_EQ(pressed.count(), 1);

    // Escape without the swallower rejects, so the test above means something.
    QSignalSpy bareRejected(bare.dialog.get(), &QDialog::rejected);
    QTest::keyClick(bare.dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(bareRejected.count(), 1);
}

TEST(KeySwallowerTest, PopupsAndOtherWindowsKeepTheirKeys) {
    KeyDialog guarded;
    KeySwallower::Install(guarded.dialog.get());
    ShowActive(guarded.dialog.get());
    guarded.combo->showPopup();
    QWidget* popup = guarded.combo->view()->window();
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(guarded.combo->view(), Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(guarded.dialog->isVisible());

    // A separate window is not covered.
    QDialog other;
    ShowActive(&other);
    QSignalSpy rejected(&other, &QDialog::rejected);
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_EQ(rejected.count(), 1);
}

TEST(KeySwallowerTest, GridCellEditorStillCommitsAndCancels) {
    QDialog dialog;
    auto* grid = new MyCug(16, &dialog);
    grid->setReadOnly(false);
    grid->setGeometry(0, 0, 250, 100);
    KeySwallower::Install(&dialog);
    ShowActive(&dialog);
    QSignalSpy rejected(&dialog, &QDialog::rejected);

    auto open = [grid](int column) {
        const QModelIndex index = grid->model()->index(0, column);
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        return qobject_cast<QLineEdit*>(grid->indexWidget(index));
    };
    QLineEdit* editor = open(2);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "5");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->data()[2], 0x05);
    EXPECT_EQ(grid->indexWidget(grid->model()->index(0, 2)), nullptr) << "editor closed";

    editor = open(3);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "7");
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->data()[3], 0x00) << "Escape cancels the edit";
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(CTabSheetTest, HoldsAtMostSixteenPages) {
    CTabSheet sheet;
    for (int i = 0; i < CTabSheet::kMaxPages; ++i)
        ASSERT_TRUE(sheet.AddPage(QString::number(i), new QWidget));
    auto* seventeenth = new QWidget;
    EXPECT_FALSE(sheet.AddPage("17", seventeenth));
    EXPECT_EQ(sheet.count(), 16);
    EXPECT_EQ(seventeenth->parent(), nullptr);
    delete seventeenth;
    EXPECT_EQ(sheet.currentIndex(), 0);
    EXPECT_EQ(sheet.tabText(15), "15");
}
