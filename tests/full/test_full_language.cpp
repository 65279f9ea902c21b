// The full edition in each language: every page, its dialogs and its
// messages in English carry no Chinese but the module's own data, and in
// both languages and every skin no caption is cut off and no controls
// overlap.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "cdlgconfigdiff.h"
#include "cdlgfbval.h"
#include "cpropcom.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "full_harness.h"
#include "messagerecorder.h"
#include "modulesimulator.h"
#include "networkportdialog.h"
#include "text_walk.h"

namespace {

class FullLanguage : public ::testing::TestWithParam<TextLanguage> {};

TEST_P(FullLanguage, EveryPageAndDialogInTheLanguageAndEveryCaptionFits) {
    const bool english = GetParam() == TextLanguage::English;
    ScopedLanguage language(GetParam());
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ProgramFolder folder;
    folder.WritePorts(sim.DevicePath(), "[com]\r\nbaudrate=6\r\n");
    MessageRecorder messages;
    CQuillonDlg window(folder.path());
    window.show();
    QTest::mouseClick(window.readButton(), Qt::LeftButton);  // port closed: a message
    QTest::mouseClick(window.comPage()->openButton(), Qt::LeftButton);
    QTest::mouseClick(window.readButton(), Qt::LeftButton);
    ASSERT_TRUE(window.port().IsOpen());
    const QList<QWidget*> moduleData = {window.findChild<QLineEdit*>("productName"),
                                        window.findChild<QLineEdit*>("networkTime")};

    // A configuration file's failures: every line of the message, the
    // file's errors and the reason a file cannot be used included, is in
    // the window's language.
    const std::string bad = folder.path() + "/bad.json";
    std::ofstream(bad) << R"({"format": 1, "module_type": "tavel/canopen",
                             "general": {"parity": "mark", "colour": 1}})";
    const qsizetype before = messages.messages().size();
    window.LoadFromFile(QString::fromStdString(bad));
    window.LoadFromFile(QString::fromStdString(folder.path()));
    window.SaveToFile(QString::fromStdString(folder.path()));
    const QStringList fileMessages = messages.messages().mid(before);
    EXPECT_EQ(fileMessages.size(), 3);
    for (const QString& message : fileMessages)
        for (const QString& line : message.split('\n', Qt::SkipEmptyParts))
            EXPECT_EQ(HasHan(line), !english) << line.toStdString();

    QStringList texts = messages.messages();
    for (int theme = 0; theme < CQuillonDlg::kThemeCount; ++theme) {
        QTest::mouseClick(window.themeRadio(theme), Qt::LeftButton);
        for (int tab = 0; tab < window.tabSheet()->count(); ++tab) {
            window.tabSheet()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            SCOPED_TRACE(testing::Message() << "theme " << theme << ", tab " << tab);
            EXPECT_EQ(LayoutFaults(&window).join('\n').toStdString(), "");
            texts << VisibleTexts(&window, moduleData);
        }
    }
    QTest::mouseClick(window.themeRadio(0), Qt::LeftButton);

    CDlgConfigDiff load(CDlgConfigDiff::Load, &window);
    ConfigDiff diff;
    diff.rows.push_back({kFieldNodeAddress, kGroupNodeAddress, "fieldbus.node_address", "25",
                         "38", "25", "38"});
    diff.groups = GroupBit(kGroupNodeAddress) | GroupBit(kGroupDeviceInfo);
    load.SetDiff(QStringLiteral("/tmp/station.json"), diff);
    CDlgFbVal faultValues(&window);
    NetworkPortDialog network(&window);
    for (QWidget* dialog : std::initializer_list<QWidget*>{&load, &faultValues, &network}) {
        dialog->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(LayoutFaults(dialog).join('\n').toStdString(), "");
        texts << VisibleTexts(dialog);
        dialog->hide();
    }
    ASSERT_FALSE(texts.isEmpty());
    if (english)
        EXPECT_EQ(HanTexts(texts).join('\n').toStdString(), "");
    else
        EXPECT_FALSE(HanTexts(texts).isEmpty());
    window.port().Close();
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, FullLanguage,
                         ::testing::Values(TextLanguage::Chinese, TextLanguage::English),
                         [](const auto& info) {
                             return info.param == TextLanguage::English ? "English" : "Chinese";
                         });

}  // namespace
