// The full edition's application and main window: start-up order, window
// frame, tabs, restored choices, themes, close, keys and lamps.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "cbuttonex.h"
#include "cpropcom.h"
#include "cpropgeneral.h"
#include "cpropio.h"
#include "cpropprotocol.h"
#include "cquillonapp.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "full_harness.h"
#include "golden.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "messages.h"
#include "modulesimulator.h"
#include "modulewait.h"
#include "moduleworker.h"
#include "skinmanager.h"
#include "text_codec.h"

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

int CountWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CQuillonDlg*>(w)) ++n;
    return n;
}

TEST(FullApplication, ShowsTheReminderBeforeTheWindowThenRunsItUntilClosed) {
    ProgramFolder folder;
    QStringList texts;
    std::vector<int> windowsAtMessage;
    SetMessageSink([&](QWidget*, const QString& text) {
        texts.append(text);
        windowsAtMessage.push_back(CountWindows());
        // Close the window as soon as its loop runs.
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dlg = qobject_cast<CQuillonDlg*>(w); dlg && dlg->isVisible())
                    dlg->close();
        });
    });
    const int result = CQuillonApp(folder.path()).Run();
    SetMessageSink({});

    EXPECT_EQ(result, 0);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0], U("请先阅读提供的用户手册及相关文档，再使用本模块！"));
    EXPECT_EQ(windowsAtMessage[0], 0);
    // The window ran in the given folder and closed through its close command.
    EXPECT_EQ(folder.IniInt("general", "modmode"), 0);
    EXPECT_EQ(folder.IniInt("theme", "id"), 0);
    EXPECT_EQ(CountWindows(), 0);
}

TEST(FullWindow, FrameTitleAndTabs) {
    ProgramFolder folder;
    CQuillonDlg dlg(folder.path());

    EXPECT_EQ(dlg.windowTitle(), U("Tavel VX31 完整版 V1.11"));
    const Qt::WindowFlags flags = dlg.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());

    CTabSheet* tabs = dlg.tabSheet();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), U("串口"));
    EXPECT_EQ(tabs->tabText(1), U("通用参数"));
    EXPECT_EQ(tabs->tabText(2), U("IO参数"));
    EXPECT_EQ(tabs->tabText(3), U("现场总线"));
    EXPECT_EQ(tabs->widget(0), dlg.comPage());
    EXPECT_EQ(tabs->widget(1), dlg.generalPage());
    EXPECT_EQ(tabs->widget(2), dlg.ioPage());
    EXPECT_EQ(tabs->widget(3), dlg.fieldbusPage());
    EXPECT_EQ(tabs->currentIndex(), 0);

    QComboBox* mode = dlg.deviceModeList();
    ASSERT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->itemText(0), U("启动"));
    EXPECT_EQ(mode->itemText(1), U("复位"));
    EXPECT_EQ(mode->itemText(2), U("恢复出厂默认"));
    const char* themes[] = {"Default", "Luna", "Royale", "Vista", "Office 2007"};
    for (int i = 0; i < CQuillonDlg::kThemeCount; ++i)
        EXPECT_EQ(dlg.themeRadio(i)->text(), U(themes[i]));
    EXPECT_EQ(dlg.readButton()->text(), U("读取配置"));
    EXPECT_EQ(dlg.modifyButton()->text(), U("修改配置"));
    EXPECT_EQ(dlg.sendButton()->text(), U("发送"));
    for (QPushButton* b : dlg.findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->isDefault()) << b->text().toStdString();
        EXPECT_FALSE(b->autoDefault()) << b->text().toStdString();
    }
}

TEST(FullWindow, FreshStartShowsTheFirstItemsAndThePlainLook) {
    ProgramFolder folder;
    CQuillonDlg dlg(folder.path());
    CPropCom* com = dlg.comPage();

    EXPECT_EQ(com->portList()->currentText(), U("1"));
    EXPECT_EQ(com->baudList()->currentText(), U("2400"));
    EXPECT_EQ(com->dataBitsList()->currentText(), U("8"));
    EXPECT_EQ(com->stopBitsList()->currentText(), U("1"));
    EXPECT_EQ(com->flowList()->currentText(), U("无"));
    EXPECT_EQ(com->parityList()->currentText(), U("无校验"));
    EXPECT_TRUE(com->openButton()->isEnabled());
    EXPECT_FALSE(com->closeButton()->isEnabled());
    EXPECT_EQ(dlg.deviceModeList()->currentIndex(), 0);
    EXPECT_EQ(dlg.theme(), 0);
    EXPECT_TRUE(dlg.themeRadio(0)->isChecked());
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().isEmpty());
    for (int i = 0; i < CQuillonDlg::kLampCount; ++i) EXPECT_FALSE(dlg.IsLampLit(i));
    EXPECT_FALSE(dlg.port().IsOpen());
    // Nothing is written until something is saved.
    EXPECT_TRUE(folder.IniBytes().empty());
}

TEST(FullWindow, SavedThemeAndDeviceModeAreRestored) {
    ProgramFolder folder;
    folder.CopyStyles(QUILLON_STYLES_DIR);
    folder.WriteIni("[general]\r\nmodmode=2\r\n[theme]\r\nid=3\r\n");
    CQuillonDlg dlg(folder.path());

    EXPECT_EQ(dlg.theme(), 3);
    EXPECT_TRUE(dlg.themeRadio(3)->isChecked());
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().endsWith("Vista.cjstyles"));
    EXPECT_EQ(dlg.deviceModeList()->currentIndex(), 2);
    // The option bit that the window adds stays set.
    EXPECT_TRUE(SkinManager::Instance().GetApplyOptions() & 1);
}

TEST(FullWindow, ThemeRadiosApplyTheirSkinsAtOnce) {
    ProgramFolder folder;
    folder.CopyStyles(QUILLON_STYLES_DIR);
    CQuillonDlg dlg(folder.path());
    dlg.show();

    const struct {
        int theme;
        const char* skin;
    } cases[] = {{1, "WinXP.Luna.cjstyles"},
                 {2, "WinXP.Royale.cjstyles"},
                 {4, "Office2007.cjstyles"},
                 {3, "Vista.cjstyles"}};
    for (const auto& c : cases) {
        QTest::mouseClick(dlg.themeRadio(c.theme), Qt::LeftButton);
        EXPECT_EQ(dlg.theme(), c.theme);
        EXPECT_TRUE(SkinManager::Instance().CurrentSkin().endsWith(c.skin)) << c.skin;
    }
    QTest::mouseClick(dlg.themeRadio(0), Qt::LeftButton);
    EXPECT_EQ(dlg.theme(), 0);
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().isEmpty());
    dlg.close();
}

TEST(FullWindow, MissingSkinFolderLeavesAWorkingWindow) {
    ProgramFolder folder;  // no Styles/ here
    folder.WriteIni("[theme]\r\nid=2\r\n");
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    EXPECT_TRUE(dlg.themeRadio(2)->isChecked());
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().isEmpty());
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_EQ(messages.messages(), QStringList{U("串口未打开!")});
}

class FullWindowOnSimulator : public FullOnSimulator {};

TEST_F(FullWindowOnSimulator, ClosingSavesChoicesAndClosesAnOpenPort) {
    CQuillonDlg& dlg = OpenWindow();

    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen()) << m_messages.messages().join(',').toStdString();
    dlg.deviceModeList()->setCurrentIndex(1);
    QTest::mouseClick(dlg.themeRadio(2), Qt::LeftButton);

    EXPECT_TRUE(dlg.close());
    EXPECT_FALSE(dlg.port().IsOpen());
    EXPECT_EQ(m_folder.IniInt("general", "modmode"), 1);
    EXPECT_EQ(m_folder.IniInt("theme", "id"), 2);
    // The [ports] mapping the window was given is kept.
    EXPECT_NE(m_folder.IniBytes().find("com1=" + m_sim.DevicePath()), std::string::npos);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

// Closed while "读取配置" waits for a silent module, the window lets the
// exchange on the line end, sends nothing more, says nothing and closes the
// port after it.
TEST_F(FullWindowOnSimulator, ClosingDuringAnExchangeStopsTheReadAndClosesThePortAfterIt) {
    CQuillonDlg& dlg = OpenWindow();
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());
    m_sim.ClearRequests();
    m_sim.SetSilent(true);

    bool closedDuringRead = false;
    QObject::connect(dlg.worker(), &ModuleWorker::stepStarted, &dlg, [&] {
        closedDuringRead = dlg.worker()->busy() && dlg.close();
    });
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_TRUE(closedDuringRead);
    EXPECT_FALSE(dlg.worker()->busy());
    EXPECT_FALSE(dlg.port().IsOpen());
    EXPECT_EQ(m_sim.RequestCount(), 1u);
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(',').toStdString();
}

TEST(FullWindow, StoredPositionsOutsideTheListsShowNoSelectionAndSaveAsRead) {
    ProgramFolder folder;
    folder.WriteIni("[general]\r\nmodmode=7\r\n[theme]\r\nid=9\r\n");
    CQuillonDlg dlg(folder.path());
    EXPECT_EQ(dlg.deviceModeList()->currentIndex(), -1);
    for (int i = 0; i < CQuillonDlg::kThemeCount; ++i) EXPECT_FALSE(dlg.themeRadio(i)->isChecked());
    EXPECT_TRUE(SkinManager::Instance().CurrentSkin().isEmpty());
    dlg.close();
    EXPECT_EQ(folder.IniInt("general", "modmode"), -1);
    EXPECT_EQ(folder.IniInt("theme", "id"), 9);
}

TEST(FullWindow, EnterAndEscapeNeitherCloseTheWindowNorPressAButton) {
    ProgramFolder folder;
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&dlg, static_cast<Qt::Key>(key));
        // A focused button would answer Enter with its action: "读取配置"
        // with the port closed shows a message, "打开" tries to open.
        dlg.readButton()->setFocus();
        QTest::keyClick(dlg.readButton(), static_cast<Qt::Key>(key));
        QTest::keyClick(dlg.comPage()->openButton(), static_cast<Qt::Key>(key));
        QTest::keyClick(dlg.comPage()->baudList(), static_cast<Qt::Key>(key));
        QTest::keyClick(dlg.deviceModeList(), static_cast<Qt::Key>(key));
    }
    Settle();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
    EXPECT_EQ(dlg.comPage()->baudList()->currentIndex(), 0);
    EXPECT_TRUE(folder.IniBytes().empty());
    dlg.close();
}

TEST(FullWindowLamps, LitLampIsGreenWithAWhiteRimAndUnlitIsGrey) {
    const QImage lit = CQuillonDlg::LampPixmap(true).toImage();
    const QImage unlit = CQuillonDlg::LampPixmap(false).toImage();
    ASSERT_EQ(lit.size(), QSize(32, 32));
    ASSERT_EQ(unlit.size(), QSize(32, 32));

    const QColor litCentre = lit.pixelColor(16, 18);
    EXPECT_GT(litCentre.green(), litCentre.red() + 60);
    EXPECT_GT(litCentre.green(), litCentre.blue() + 60);
    // The rim between the glass and the outline.
    const QColor rim = lit.pixelColor(16, 3);
    EXPECT_GE(rim.red(), 230);
    EXPECT_GE(rim.green(), 230);
    EXPECT_GE(rim.blue(), 230);

    for (QPoint p : {QPoint(16, 18), QPoint(16, 3), QPoint(10, 10)}) {
        const QColor c = unlit.pixelColor(p);
        EXPECT_LE(std::abs(c.red() - c.green()), 8);
        EXPECT_LE(std::abs(c.green() - c.blue()), 8);
    }
    // Corners stay transparent so the lamp sits on any skin.
    EXPECT_EQ(lit.pixelColor(0, 0).alpha(), 0);
}

// Every moment the full edition writes config.ini, in one session that
// starts from a file with comments, foreign sections and values of every
// form: the file must come out as it always has, byte for byte.
TEST(FullWindow, ASessionWritesConfigIniByteForByteAsBefore) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ProgramFolder folder;
    folder.WriteIni("; kept by hand\r\n[ports]\r\ncom1=" + sim.DevicePath() +
                    "\r\n[com]\r\nbaudrate=6\r\n\r\n[general]\r\ncrc=1\r\nfbval=01 02  03\r\n"
                    "[fieldbus]\r\nrevision=7\r\nstatusbits=3\r\ncfgbits=5\r\n" +
                    Utf8ToCp936("errormsg=旧的错误\r\nproductname=旧名称\r\n") +
                    "[ioprm]\r\ninputdata=11 22 33 \r\nchanged=AA\r\neventinterval=50\r\n"
                    "[extra]\r\nkept=yes\r\n");
    MessageRecorder messages;
    {
        CQuillonDlg dlg(folder.path());
        dlg.show();
        auto modify = [&dlg](int tab) {
            dlg.tabSheet()->setCurrentIndex(tab);
            QTest::mouseClick(dlg.modifyButton(), Qt::LeftButton);
        };
        auto edit = [](QWidget* page, const char* name, const char* text) {
            page->findChild<QLineEdit*>(name)->setText(QString::fromUtf8(text));
        };
        QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.readButton(), Qt::LeftButton);

        edit(dlg.generalPage(), "watchdog", "300");
        dlg.generalPage()->findChild<QComboBox*>("switchCoding")->setCurrentIndex(1);
        QTest::mouseClick(dlg.generalPage()->indicatorRow()->button(0), Qt::LeftButton);
        modify(1);

        CPropIo* io = dlg.ioPage();
        edit(io, "inputLengthBox", "4");
        edit(io, "outputLengthBox", "6");
        edit(io, "inIntervalBox", "25");
        QTest::mouseClick(io->findChild<QRadioButton*>("incrementRadio"), Qt::LeftButton);
        QTest::mouseClick(io->findChild<QPushButton*>("writeButton"), Qt::LeftButton);
        WaitForModuleIdle(io);
        QTest::mouseClick(io->findChild<QPushButton*>("readButton"), Qt::LeftButton);
        WaitForModuleIdle(io);
        modify(2);

        edit(dlg.fieldbusPage(), "password", "1234");
        edit(dlg.fieldbusPage(), "productName", "网关一号");
        edit(dlg.fieldbusPage(), "emergencyStandard", "81 10");
        edit(dlg.fieldbusPage(), "nodeAddressConfigured", "26");
        modify(3);

        dlg.deviceModeList()->setCurrentIndex(2);
        QTest::mouseClick(dlg.sendButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.themeRadio(2), Qt::LeftButton);
        dlg.close();
        dlg.port().Close();
    }
    EXPECT_EQ(messages.messages(), (QStringList{U("修改配置成功!"), U("修改配置成功!"),
                                                U("修改配置成功!"), U("修改设备模式成功!")}));
    ExpectSameBytesAs("session_full.ini", folder.IniBytes(), sim.DevicePath());
}

}  // namespace
