// The full edition on network lines: "读取配置" through ser2net on
// 127.0.0.1 (raw and RFC 2217), why a network port does not open, the port
// list's network entries and its item that adds one, and the serial page
// when the line echoes against echo=1.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "cpropcom.h"
#include "cpropprotocol.h"
#include "cquillondlg.h"
#include "full_harness.h"
#include "messagerecorder.h"
#include "modulesession.h"
#include "modbustcpgateway.h"
#include "modulesimulator.h"
#include "moduleworker.h"
#include "networkportdialog.h"
#include "scriptedtcpserver.h"
#include "ser2netserver.h"

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Port 7 of a fresh program folder leads to `url`, selected at 115200 baud.
std::unique_ptr<CQuillonDlg> WindowOn(ProgramFolder& folder, const std::string& url) {
    folder.WriteIni("[ports]\r\ncom7=" + url + "\r\n[com]\r\ncom=6\r\nbaudrate=6\r\n");
    auto dlg = std::make_unique<CQuillonDlg>(folder.path());
    dlg->show();
    return dlg;
}

TEST(FullNetwork, ReadConfigurationThroughSer2netRawAndRfc2217) {
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    Ser2netServer server;
    ASSERT_TRUE(server.Start(sim.DevicePath())) << server.Log();
    for (const std::string& url : {server.RawUrl(), server.Rfc2217Url()}) {
        SCOPED_TRACE(url);
        ASSERT_TRUE(server.WaitUntilIdle());
        ProgramFolder folder;
        MessageRecorder messages;
        auto dlg = WindowOn(folder, url);
        EXPECT_EQ(dlg->comPage()->portList()->currentText().toStdString(), "7 — " + url);
        QTest::mouseClick(dlg->comPage()->openButton(), Qt::LeftButton);
        ASSERT_TRUE(dlg->port().IsOpen()) << messages.messages().join(',').toStdString();
        sim.ClearRequests();
        QTest::mouseClick(dlg->readButton(), Qt::LeftButton);
        EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
        EXPECT_EQ(sim.Requests(),
                  (std::vector<Bytes>{ReadRequest(0x5001, 31), ReadRequest(0x6001, 11),
                                      ReadRequest(0x7001, 66)}));
        EXPECT_EQ(dlg->fieldbusPage()->findChild<QLineEdit*>("productName")->text(),
                  U("VX31-CANopen"));
        dlg->port().Close();
    }
}

// Behind a Modbus TCP gateway the line's settings are the gateway's: the
// search selects the port and leaves the rate and framing lists as chosen.
TEST(FullNetwork, SearchBehindAGatewayKeepsTheChosenLineSettings) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ModbusTcpGateway gateway;
    ASSERT_TRUE(gateway.Start(sim.DevicePath(), 0));
    ProgramFolder folder;
    MessageRecorder messages;
    auto dlg = WindowOn(folder, "modbus-tcp://127.0.0.1:" + std::to_string(gateway.Port()));
    CPropCom* page = dlg->comPage();
    page->baudList()->setCurrentIndex(2);
    page->parityList()->setCurrentIndex(2);
    QTest::mouseClick(page->searchButton(), Qt::LeftButton);
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].startsWith(U("找到模块: 串口 7")))
        << messages.messages()[0].toStdString();
    EXPECT_EQ(page->baudList()->currentIndex(), 2);
    EXPECT_EQ(page->parityList()->currentIndex(), 2);
    EXPECT_FALSE(gateway.Requests().empty());
}

TEST(FullNetwork, RefusedConnectionIsTheSecondLineOfTheMessage) {
    ProgramFolder folder;
    MessageRecorder messages;
    const int closed = FreeLoopbackPort();
    auto dlg = WindowOn(folder, "socket://127.0.0.1:" + std::to_string(closed));
    QTest::mouseClick(dlg->comPage()->openButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg->port().IsOpen());
    EXPECT_EQ(messages.messages(),
              QStringList{QString::fromStdString(
                  "打开串口失败!\n127.0.0.1 拒绝了端口 " + std::to_string(closed) +
                  " 的连接：该端口上没有服务在监听，请检查端口号和服务器的设置。")});
}

TEST(FullNetwork, WindowStaysLiveWhileAServerKeepsTheOpenWaiting) {
    // Accepts and never says a word of the Telnet negotiation.
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start(ScriptedTcpServer::TakeAndSayNothing));
    ProgramFolder folder;
    MessageRecorder messages;
    auto dlg = WindowOn(folder, "rfc2217://127.0.0.1:" + std::to_string(server.Port()));
    dlg->port().SetConnectTimeoutMs(400);
    bool turned = false, openLocked = false, busy = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        turned = true;
        openLocked = !dlg->comPage()->openButton()->isEnabled();
        busy = dlg->worker()->busy();
    });
    QTest::mouseClick(dlg->comPage()->openButton(), Qt::LeftButton);
    EXPECT_TRUE(turned);
    EXPECT_TRUE(openLocked);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(dlg->port().IsOpen());
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].contains(QString::fromUtf8("没有确认 RFC 2217 协商")))
        << messages.messages()[0].toStdString();
    EXPECT_TRUE(dlg->comPage()->openButton()->isEnabled());
}

TEST(FullNetwork, PortListNamesNetworkEntriesAndAddsOneUnderTheNextFreeNumber) {
    ProgramFolder folder;
    folder.WriteIni(
        "[ports]\r\ncom1=/nonexistent/quillon-tty\r\ncom7=rfc2217://127.0.0.1:4001\r\n");
    MessageRecorder messages;
    CPropCom page;
    CSerialPort port;
    page.SetPointers(&port, &folder.ini());
    page.Initialise();
    PortComboBox* list = page.portList();
    ASSERT_EQ(list->count(), 256);
    EXPECT_EQ(list->itemText(6), U("7 — rfc2217://127.0.0.1:4001"));
    EXPECT_EQ(list->itemText(PortComboBox::kAddNetworkIndex), U("添加网络端口..."));

    // The item is an action: it never stays selected, what is stored is a number.
    list->setCurrentIndex(6);
    list->setCurrentIndex(PortComboBox::kAddNetworkIndex);
    EXPECT_EQ(list->currentIndex(), 6);

    // Cancelled: nothing stored.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    emit list->activated(PortComboBox::kAddNetworkIndex);
    EXPECT_EQ(list->currentIndex(), 6);
    EXPECT_EQ(folder.IniText("ports", "com2"), "<absent>");

    // A gateway on the usual Modbus TCP port: stored as the lowest free number.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<NetworkPortDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->kindList()->setCurrentIndex(2);
        dialog->hostEdit()->setText("127.0.0.1");
        EXPECT_EQ(dialog->portBox()->value(), 502);
        dialog->accept();
    });
    emit list->activated(PortComboBox::kAddNetworkIndex);
    EXPECT_EQ(folder.IniText("ports", "com2"), "modbus-tcp://127.0.0.1");
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(list->itemText(1), U("2 — modbus-tcp://127.0.0.1"));
    EXPECT_EQ(list->toolTip(), U("modbus-tcp://127.0.0.1"));
    EXPECT_TRUE(messages.messages().isEmpty());
}

// echo=1 behind an adapter that echoes: the first write's read shows the
// echo, writes stop, and the page says which setting to change.
TEST(FullNetwork, SerialPageSaysWhenTheLineEchoesAgainstTheSetting) {
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.echo = true;
    ASSERT_TRUE(sim.Start(options));
    ProgramFolder folder;
    folder.WritePorts(sim.DevicePath(), "[com]\r\necho=1\r\nbaudrate=6\r\n");
    CQuillonDlg dlg(folder.path());
    dlg.show();
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());
    ModuleSession session(&dlg.port());
    EXPECT_EQ(session.WriteDeviceMode(3), kModbusWritesRefused);
    dlg.comPage()->UpdateEchoState();
    EXPECT_EQ(dlg.comPage()->echoLabel()->text(), U("本地回显: 有（设置: 从不） 写入已停止"));
    EXPECT_NE(dlg.comPage()->echoLabel()->toolTip().indexOf(U("echo 改为 0（自动）或 2（总是）")),
              -1);
    dlg.port().Close();
}

}  // namespace
