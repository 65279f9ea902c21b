// The general-parameters page: controls from blocks and config.ini, the
// block it builds, its refusals and the fault-value dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cbuttonex.h"
#include "cdlgfbval.h"
#include "cpropgeneral.h"
#include "dialogs.h"
#include "general_block.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "mycug.h"
#include "programfolder.h"
#include "switch_coding.h"

namespace {

const QString kModifyFailed = QStringLiteral("修改通用配置参数失败!");

class GeneralPage : public ::testing::Test {
protected:
    void SetUp() override { SetSwitchCodingMode(0); }

    // Writes config.ini, then creates and initialises the page.
    CPropGeneral& Open(const std::string& ini = std::string()) {
        if (!ini.empty()) m_folder.WriteIni(ini);
        m_page = std::make_unique<CPropGeneral>();
        m_page->SetPointers(nullptr, &m_folder.ini());
        m_page->Initialise();
        m_page->show();
        return *m_page;
    }

    template <typename T>
    T* Find(const char* name) const {
        T* child = m_page->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QRadioButton* Radio(const char* name) const { return Find<QRadioButton>(name); }

    ProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<CPropGeneral> m_page;
};

// A block as the module might send it, held low byte first.
std::vector<uint8_t> ModuleBlock() {
    std::vector<uint8_t> block(kGeneralBlockSize, 0);
    SetHeldWord(block.data(), 4, 0x0201);
    SetHeldWord(block.data(), 6, 1);
    SetHeldWord(block.data(), 20, 1);
    block[26] = 2;
    block[27] = 0x84;
    SetHeldWord(block.data(), 28, 1);
    return block;
}

// Edits the first cell of the dialog's grid as a user does: double-click,
// type, Enter.
void TypeIntoFirstCell(CDlgFbVal* dialog, const char* keys) {
    MyCug* grid = dialog->grid();
    const QModelIndex first = grid->model()->index(0, 0);
    const QPoint at = grid->visualRect(first).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(first));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, keys);
    EXPECT_EQ(editor->text(), QString::fromUtf8(keys).toUpper());
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

TEST_F(GeneralPage, FreshStartShowsTheFirstItemsAndCreatesNoFile) {
    CPropGeneral& page = Open();
    EXPECT_EQ(List("moduleType")->currentText(), "Tavel模块");
    EXPECT_EQ(List("fieldbusType")->currentText(), "CANOpen");
    EXPECT_EQ(List("switchCoding")->currentText(), "BCD");
    EXPECT_EQ(List("offline")->currentText(), "清除");
    EXPECT_EQ(List("idle")->currentText(), "清除");
    EXPECT_EQ(List("cpha")->currentText(), "0");
    EXPECT_EQ(List("cpol")->currentText(), "0");
    EXPECT_EQ(List("uartBaud")->currentText(), "2400");
    EXPECT_EQ(List("uartDataBits")->currentText(), "8");
    EXPECT_EQ(List("uartStopBits")->currentText(), "1位");
    EXPECT_EQ(List("uartParity")->currentText(), "无校验");
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0);
    EXPECT_TRUE(Radio("uartRadio")->isChecked());
    EXPECT_FALSE(Radio("spiRadio")->isChecked());
    EXPECT_TRUE(Radio("crcDisabledRadio")->isChecked());
    EXPECT_FALSE(Radio("crcEnabledRadio")->isChecked());
    EXPECT_TRUE(Edit("watchdog")->text().isEmpty());
    EXPECT_TRUE(Edit("frameInterval")->text().isEmpty());
    EXPECT_TRUE(Edit("modbusAddress")->text().isEmpty());
    for (int i = 0; i < kFaultValueCount; ++i) EXPECT_EQ(page.faultValues()[i], 0);
    EXPECT_EQ(SwitchCodingMode(), 0);

    // Lists, radios and the address edit the user can never change.
    EXPECT_FALSE(List("moduleType")->isEnabled());
    EXPECT_FALSE(List("fieldbusType")->isEnabled());
    EXPECT_FALSE(Radio("crcEnabledRadio")->isEnabled());
    EXPECT_FALSE(Radio("crcDisabledRadio")->isEnabled());
    EXPECT_FALSE(Edit("modbusAddress")->isEnabled());
    EXPECT_TRUE(List("uartBaud")->isEditable());
    EXPECT_EQ(List("moduleType")->count(), 2);
    EXPECT_EQ(List("fieldbusType")->itemText(3), "Profibus DP");
    EXPECT_EQ(List("uartBaud")->itemText(9), "614400 ");
    EXPECT_EQ(List("offline")->itemText(2), "默认值");
    EXPECT_EQ(List("idle")->itemText(2), "默认值");
    EXPECT_EQ(List("uartParity")->itemText(2), "偶校验");

    EXPECT_FALSE(m_folder.IniExists());
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(GeneralPage, ModuleAndFieldbusTypeFromTheBlock) {
    Open();
    std::vector<uint8_t> block = ModuleBlock();
    SetHeldWord(block.data(), 6, 3);
    m_page->FillFromBlock(block.data());
    EXPECT_EQ(List("moduleType")->currentText(), "Tavel模块");
    EXPECT_EQ(List("fieldbusType")->currentText(), "JAE 1939");

    SetHeldWord(block.data(), 4, 0x0100);
    SetHeldWord(block.data(), 6, 0);
    m_page->FillFromBlock(block.data());
    EXPECT_EQ(List("moduleType")->currentText(), "其他");
    EXPECT_EQ(List("fieldbusType")->currentIndex(), -1);

    SetHeldWord(block.data(), 6, 5);
    m_page->FillFromBlock(block.data());
    EXPECT_EQ(List("fieldbusType")->currentIndex(), -1);
}

TEST_F(GeneralPage, InterfaceChoiceEnablesItsOwnControls) {
    Open();
    std::vector<uint8_t> block = ModuleBlock();
    SetHeldWord(block.data(), 20, 0);
    m_page->FillFromBlock(block.data());
    EXPECT_TRUE(Radio("spiRadio")->isChecked());
    EXPECT_FALSE(Radio("uartRadio")->isChecked());
    EXPECT_TRUE(List("cpha")->isEnabled());
    EXPECT_TRUE(List("cpol")->isEnabled());
    EXPECT_TRUE(Edit("frameInterval")->isEnabled());
    for (const char* uart : {"uartBaud", "uartDataBits", "uartStopBits", "uartParity"})
        EXPECT_FALSE(List(uart)->isEnabled()) << uart;
    EXPECT_FALSE(Edit("modbusAddress")->isEnabled());

    SetHeldWord(block.data(), 20, 5);
    m_page->FillFromBlock(block.data());
    EXPECT_TRUE(Radio("uartRadio")->isChecked());
    EXPECT_FALSE(List("cpha")->isEnabled());
    EXPECT_FALSE(Edit("frameInterval")->isEnabled());
    for (const char* uart : {"uartBaud", "uartDataBits", "uartStopBits", "uartParity"})
        EXPECT_TRUE(List(uart)->isEnabled()) << uart;

    // The radios switch the mode and the built word.
    QTest::mouseClick(Radio("spiRadio"), Qt::LeftButton);
    EXPECT_TRUE(List("cpol")->isEnabled());
    EXPECT_FALSE(List("uartParity")->isEnabled());
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(HeldWord(block.data(), 20), 0);
    QTest::mouseClick(Radio("uartRadio"), Qt::LeftButton);
    EXPECT_FALSE(List("cpol")->isEnabled());
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(HeldWord(block.data(), 20), 1);
    EXPECT_FALSE(Edit("modbusAddress")->isEnabled());
}

TEST_F(GeneralPage, UartFormatByteRoundTrips) {
    Open();
    std::vector<uint8_t> block = ModuleBlock();
    block[27] = 0x89;
    m_page->FillFromBlock(block.data());
    EXPECT_EQ(List("uartStopBits")->currentText(), "2位");
    EXPECT_EQ(List("uartParity")->currentText(), "奇校验");
    block[27] = 0;
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(block[27], 0x89);

    List("uartStopBits")->setCurrentIndex(0);
    List("uartParity")->setCurrentIndex(2);
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(block[27], 0x86);
    List("uartStopBits")->setCurrentIndex(1);
    List("uartParity")->setCurrentIndex(0);
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(block[27], 0x88);
}

TEST_F(GeneralPage, BuildWritesTheShownFieldsAndKeepsTheRest) {
    Open();
    std::vector<uint8_t> block(kGeneralBlockSize, 0xEE);
    std::vector<uint8_t> shown = ModuleBlock();
    SetHeldWord(shown.data(), 10, 1);
    shown[12] = 1;
    shown[14] = 2;
    SetHeldWord(shown.data(), 16, 0x0155);
    SetHeldWord(shown.data(), 20, 0);
    shown[22] = 1;
    shown[23] = 1;
    SetHeldWord(shown.data(), 24, 65535);
    SetHeldWord(shown.data(), 28, 247);
    SetHeldWord(shown.data(), 32, 3000);
    for (int i = 0; i < kFaultValueCount; ++i) shown[34 + i] = static_cast<uint8_t>(0xA0 + i);
    m_page->FillFromBlock(shown.data());
    EXPECT_EQ(SwitchCodingMode(), 1);
    EXPECT_EQ(Edit("watchdog")->text(), "3000");
    EXPECT_EQ(Edit("frameInterval")->text(), "65535");
    EXPECT_EQ(Edit("modbusAddress")->text(), "247");

    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 19, 30, 31}) EXPECT_EQ(block[i], 0xEE) << i;
    for (int i = 10; i < 62; ++i) {
        if (i == 18 || i == 19 || i == 30 || i == 31) continue;
        EXPECT_EQ(block[i], shown[i]) << "byte " << i;
    }
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

// Values outside 0-65535 are refused by the modify (see the transfer
// tests); an empty or blank-padded entry builds 0.
TEST_F(GeneralPage, EmptyOrPaddedWordEntriesBuildTheirValue) {
    Open("[general]\r\nrtuaddr=1\r\n");
    std::vector<uint8_t> block = ModuleBlock();
    Edit("frameInterval")->setText(QString());
    Edit("watchdog")->setText(QStringLiteral(" 0 "));
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(HeldWord(block.data(), 24), 0);
    EXPECT_EQ(HeldWord(block.data(), 32), 0);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(GeneralPage, NoModbusAddressMeansNothingIsBuilt) {
    Open();
    std::vector<uint8_t> block(kGeneralBlockSize, 0x11);
    const std::vector<uint8_t> before = block;
    // Fresh start: the address edit is empty and would write address 0.
    EXPECT_FALSE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(m_messages.messages(), QStringList{kModifyFailed});
    EXPECT_EQ(block, before);

    for (const char* address : {"70000", "-1", "1a", "abc"}) {
        m_messages.clear();
        Open(std::string("[general]\r\nrtuaddr=") + address + "\r\n");
        EXPECT_FALSE(m_page->BuildBlock(block.data())) << address;
        EXPECT_EQ(m_messages.messages(), QStringList{kModifyFailed}) << address;
        EXPECT_EQ(block, before) << address;
    }

    m_messages.clear();
    Open("[general]\r\nrtuaddr=65535\r\n");
    ASSERT_TRUE(m_page->BuildBlock(block.data()));
    EXPECT_EQ(HeldWord(block.data(), 28), 65535);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(GeneralPage, TogglesSwitchTheirBitAndKeepItWhileDisabled) {
    CPropGeneral& page = Open();
    InterruptIndicatorRow* row = page.indicatorRow();
    std::vector<uint8_t> block = ModuleBlock();
    SetHeldWord(block.data(), 16, 0x0201);
    page.FillFromBlock(block.data());
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(row->button(k)->state() == CButtonEx::Lit, k == 0 || k == 9) << k;
    EXPECT_EQ(row->button(0)->text(), "SYSS");
    EXPECT_EQ(row->button(9)->text(), "START ");
    EXPECT_EQ(row->button(1)->text(), "APW");
    EXPECT_EQ(row->button(0)->geometry(), QRect(20, 98, 40, 18));
    EXPECT_EQ(row->button(9)->geometry(), QRect(380, 98, 40, 18));
    EXPECT_FALSE(row->button(1)->toolTip().isEmpty());

    QTest::mouseClick(row->button(1), Qt::LeftButton);
    EXPECT_EQ(row->ReadInterruptMask(), 0x301);
    QTest::mouseClick(row->button(9), Qt::LeftButton);
    EXPECT_EQ(row->ReadInterruptMask(), 0x300);

    page.setEnabled(false);
    page.setEnabled(true);
    EXPECT_EQ(row->ReadInterruptMask(), 0x300);
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(HeldWord(block.data(), 16), 0x300);
}

TEST_F(GeneralPage, LoadsEveryKeyIncludingTheCrossedSpiKeys) {
    CPropGeneral& page = Open(
        "[general]\r\nmodtype=1\r\nswitchcoding=1\r\nfdtype=3\r\nidle=1\r\noffline=2\r\n"
        "cpol=1\r\ncpha=0\r\nbaudrate=9\r\nbytebits=0\r\nstopbits=1\r\nparity=2\r\n"
        "interrupt=520\r\nwatchdog=100\r\nspiinterval=20\r\nrtuaddr=3\r\n"
        "fbval=  1 2   3\r\ncrc=0\r\nspi=1\r\n");
    EXPECT_EQ(List("moduleType")->currentText(), "其他");
    EXPECT_EQ(List("switchCoding")->currentText(), "二进制");
    EXPECT_EQ(SwitchCodingMode(), 1);
    EXPECT_EQ(List("fieldbusType")->currentText(), "Profibus DP");
    EXPECT_EQ(List("idle")->currentText(), "冻结");
    EXPECT_EQ(List("offline")->currentText(), "默认值");  // and no dialog opened
    EXPECT_EQ(List("cpha")->currentText(), "1");
    EXPECT_EQ(List("cpol")->currentText(), "0");
    EXPECT_EQ(List("uartBaud")->currentText(), "614400 ");
    EXPECT_EQ(List("uartStopBits")->currentText(), "2位");
    EXPECT_EQ(List("uartParity")->currentText(), "偶校验");
    EXPECT_EQ(page.indicatorRow()->ReadInterruptMask(), 0x208);
    EXPECT_EQ(Edit("watchdog")->text(), "100");
    EXPECT_EQ(Edit("frameInterval")->text(), "20");
    EXPECT_EQ(Edit("modbusAddress")->text(), "3");
    EXPECT_EQ(page.faultValues()[0], 1);
    EXPECT_EQ(page.faultValues()[2], 3);
    EXPECT_EQ(page.faultValues()[3], 0);
    EXPECT_TRUE(Radio("crcDisabledRadio")->isChecked());
    EXPECT_TRUE(Radio("spiRadio")->isChecked());
    EXPECT_TRUE(List("cpha")->isEnabled());
    EXPECT_FALSE(List("uartBaud")->isEnabled());

    // Positions outside a list leave it without a selection.
    Open("[general]\r\nswitchcoding=2\r\nbaudrate=10\r\noffline=-1\r\ncrc=7\r\n");
    EXPECT_EQ(List("switchCoding")->currentIndex(), -1);
    EXPECT_EQ(SwitchCodingMode(), 2);
    EXPECT_EQ(List("uartBaud")->currentIndex(), -1);
    EXPECT_EQ(List("offline")->currentIndex(), -1);
    EXPECT_TRUE(Radio("crcEnabledRadio")->isChecked());
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(GeneralPage, SaveWritesTheKeysInOrderWithCrcAsRead) {
    CPropGeneral& page = Open("[general]\r\ncrc=0\r\n");
    std::vector<uint8_t> block = ModuleBlock();
    SetHeldWord(block.data(), 30, 0);  // the module says CRC enabled
    block[22] = 1;                     // "CPHA:" 1
    block[23] = 0;                     // "CPOL:" 0
    SetHeldWord(block.data(), 16, 0x0201);
    block[34] = 0x5A;
    block[61] = 0x01;
    page.FillFromBlock(block.data());
    EXPECT_TRUE(Radio("crcEnabledRadio")->isChecked());
    // Written to a fresh file, the keys stand in the order they are written.
    std::remove(m_folder.iniPath().c_str());
    page.SaveSettings();

    const std::vector<std::string> expected = {
        "[general]",
        "modtype=0",
        "switchcoding=0",
        "fdtype=0",
        "idle=0",
        "offline=0",
        "cpol=1",
        "cpha=0",
        "baudrate=2",
        "bytebits=0",
        "stopbits=0",
        "parity=0",
        "interrupt=513",
        "crc=0",
        "spi=0",
        "watchdog=0",
        "spiinterval=0",
        "rtuaddr=1",
        "fbval=5A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "01 ",
    };
    EXPECT_EQ(m_folder.IniLines(), expected);
}

TEST_F(GeneralPage, TypedUartRateCountsAsNoSelection) {
    CPropGeneral& page = Open("[general]\r\nrtuaddr=1\r\n");
    QComboBox* baud = List("uartBaud");
    baud->setCurrentIndex(6);
    std::vector<uint8_t> block = ModuleBlock();
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(block[26], 6);

    baud->lineEdit()->clear();
    QTest::keyClicks(baud->lineEdit(), "12345");
    EXPECT_EQ(baud->currentText(), "12345");
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(block[26], 0xFF);
    page.SaveSettings();
    EXPECT_EQ(m_folder.IniInt("general", "baudrate"), -1);
    EXPECT_EQ(baud->count(), 10);  // typed text never becomes an item
}

TEST_F(GeneralPage, ListsWithoutSelectionBuildFF) {
    CPropGeneral& page =
        Open("[general]\r\nrtuaddr=1\r\nswitchcoding=5\r\noffline=9\r\nstopbits=-1\r\n");
    std::vector<uint8_t> block = ModuleBlock();
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(block[10], 0xFF);
    EXPECT_EQ(block[11], 0x00);
    EXPECT_EQ(block[12], 0xFF);
    EXPECT_EQ(block[27], 0x80);  // no stop-bits selection, parity "无校验"
    List("uartParity")->setCurrentIndex(-1);
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(block[27], 0xFF);
}

TEST_F(GeneralPage, FaultValueDialogOkTakesTheEditAndCancelKeepsTheOld) {
    CPropGeneral& page = Open("[general]\r\nrtuaddr=1\r\nfbval=11 22\r\n");
    QComboBox* offline = List("offline");

    bool layoutChecked = false;
    const bool opened =
        WithDialog<CDlgFbVal>([&] { QTest::keyClick(offline, Qt::Key_End); },
                              [&](CDlgFbVal* dialog) {
                                  EXPECT_EQ(dialog->windowTitle(), "FB Fault Value");
                                  EXPECT_TRUE(dialog->isModal());
                                  EXPECT_EQ(dialog->grid()->capacity(), 28);
                                  EXPECT_EQ(dialog->grid()->rows(), 4);
                                  EXPECT_EQ(dialog->grid()->CellText(0, 0), "11");
                                  EXPECT_EQ(dialog->grid()->CellText(0, 1), "22");
                                  QPushButton* cancel = DialogButton(dialog, "取消");
                                  QPushButton* ok = DialogButton(dialog, "确定");
                                  ASSERT_NE(cancel, nullptr);
                                  ASSERT_NE(ok, nullptr);
                                  EXPECT_LT(cancel->x(), ok->x());
                                  layoutChecked = true;
                                  TypeIntoFirstCell(dialog, "5a");
                                  EXPECT_EQ(dialog->grid()->CellText(0, 0), "5A");
                                  QTest::mouseClick(ok, Qt::LeftButton);
                              });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(layoutChecked);
    EXPECT_EQ(offline->currentText(), "默认值");
    EXPECT_EQ(page.faultValues()[0], 0x5A);
    EXPECT_EQ(page.faultValues()[1], 0x22);
    std::vector<uint8_t> block = ModuleBlock();
    ASSERT_TRUE(page.BuildBlock(block.data()));
    EXPECT_EQ(block[34], 0x5A);  // value 0 is the low byte of register 0x5012

    // The idle list opens the same values; "取消" keeps them.
    QComboBox* idle = List("idle");
    EXPECT_TRUE(WithDialog<CDlgFbVal>([&] { QTest::keyClick(idle, Qt::Key_End); },
                                      [&](CDlgFbVal* dialog) {
                                          EXPECT_EQ(dialog->grid()->CellText(0, 0), "5A");
                                          TypeIntoFirstCell(dialog, "77");
                                          QTest::mouseClick(DialogButton(dialog, "取消"),
                                                            Qt::LeftButton);
                                      }));
    EXPECT_EQ(idle->currentText(), "默认值");
    EXPECT_EQ(page.faultValues()[0], 0x5A);

    // Choosing "冻结" opens nothing; neither does a fill with "默认值".
    EXPECT_FALSE(
        WithDialog<CDlgFbVal>([&] { QTest::keyClick(idle, Qt::Key_Up); }, [](CDlgFbVal*) {}));
    EXPECT_EQ(idle->currentText(), "冻结");
    block[12] = 2;
    block[14] = 2;
    EXPECT_FALSE(
        WithDialog<CDlgFbVal>([&] { page.FillFromBlock(block.data()); }, [](CDlgFbVal*) {}));
    EXPECT_EQ(page.faultValues()[0], 0x5A);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

}  // namespace
