// Every module operation of the full edition against every way the module
// or the line can misbehave, at every exchange of the operation: the
// operation ends with its failure message (or stays silent where a timer
// counts failures), sends nothing further, changes nothing that the failing
// exchange would have changed, and leaves config.ini as it was.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "cmycugerrormsg.h"
#include "cpropcom.h"
#include "cpropio.h"
#include "cpropprotocol.h"
#include "cquillondlg.h"
#include "ctabsheet.h"
#include "fault_cases.h"
#include "io_page_faults.h"
#include "full_harness.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "mycug.h"

namespace {

enum OpId {
    kRead, kModifyGeneral, kModifyIo, kModifyFieldbus, kSendMode, kEmergency, kErrorMessage,
    kNetworkTime
};

std::vector<Operation> MakeOperations() {
    std::vector<Operation> operations = {
        {kRead, "ReadConfig", {"获取通用参数失败!", "获取 I/O 参数失败!", "获取现场总线参数失败!"}},
        {kModifyGeneral, "ModifyGeneral",
         {"修改通用配置参数失败!", "修改通用配置参数失败!", "修改通用配置参数失败!"}},
        {kModifyIo, "ModifyIo", {"修改 I/O 配置参数失败!"}},
        {kModifyFieldbus, "ModifyFieldbus",
         {"修改现场总线节点地址配置参数失败!", "修改现场总线波特率配置参数失败!",
          "现场总线输入密码错误!", "修改现场总线配置参数失败!"}},
        {kSendMode, "SendDeviceMode", {"修改设备模式失败!"}},
        {kEmergency, "SendEmergency", {"发送紧急代码失败!"}},
        {kErrorMessage, "GetErrorMessage", {"获取错误消息失败!"}},
        {kNetworkTime, "GetNetworkTime", {"获取网络时间标识失败!"}},
    };
    AppendIoOperations(&operations);
    return operations;
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = MakeOperations();
    return operations;
}

class FullFaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        WriteMatrixIni(m_folder, m_sim);
        m_dlg = std::make_unique<CQuillonDlg>(m_folder.path());
        m_dlg->show();
        QTest::mouseClick(m_dlg->comPage()->openButton(), Qt::LeftButton);
        ASSERT_TRUE(m_dlg->port().IsOpen());
        QTest::mouseClick(m_dlg->readButton(), Qt::LeftButton);
        ASSERT_TRUE(m_messages.messages().isEmpty());
        PrepareOperation(GetParam().operation.id);
        ASSERT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
        m_messages.clear();
        m_sim.ClearRequests();
        m_iniBefore = m_folder.IniBytes();
    }

    void TearDown() override {
        if (m_dlg) m_dlg->port().Close();
    }

    CPropIo* Io() const { return m_dlg->ioPage(); }

    void PrepareOperation(int id) {
        switch (id) {
            case kModifyFieldbus:
                // The simulator's password, so that all four writes are due.
                PasswordEdit()->setText("1234");
                break;
            case kSendMode:
                m_dlg->deviceModeList()->setCurrentIndex(1);
                break;
            case kEmergency:
                Child<QLineEdit>(m_dlg->fieldbusPage(), "emergencyStandard")->setText("81 10");
                Child<QLineEdit>(m_dlg->fieldbusPage(), "emergencyCustom")->setText("00 01");
                break;
            default:
                PrepareIoOperation(Io(), id);
                break;
        }
    }

    QLineEdit* PasswordEdit() const {
        for (QLineEdit* edit : m_dlg->fieldbusPage()->findChildren<QLineEdit*>())
            if (edit->echoMode() == QLineEdit::Password) return edit;
        return nullptr;
    }

    void Run(int id) {
        switch (id) {
            case kRead:
                QTest::mouseClick(m_dlg->readButton(), Qt::LeftButton);
                break;
            case kModifyGeneral:
            case kModifyIo:
            case kModifyFieldbus:
                m_dlg->tabSheet()->setCurrentIndex(id == kModifyGeneral ? 1 : id == kModifyIo ? 2 : 3);
                QTest::mouseClick(m_dlg->modifyButton(), Qt::LeftButton);
                break;
            case kSendMode:
                QTest::mouseClick(m_dlg->sendButton(), Qt::LeftButton);
                break;
            case kEmergency:
                QTest::mouseClick(Child<QPushButton>(m_dlg->fieldbusPage(), "sendEmergency"),
                                  Qt::LeftButton);
                break;
            case kErrorMessage:
                QTest::mouseClick(Child<QPushButton>(m_dlg->fieldbusPage(), "getErrorMessage"),
                                  Qt::LeftButton);
                break;
            case kNetworkTime:
                QTest::mouseClick(Child<QPushButton>(m_dlg->fieldbusPage(), "getNetworkTime"),
                                  Qt::LeftButton);
                break;
            default:
                RunIoOperation(Io(), id);
                break;
        }
    }

    ModuleSimulator m_sim;
    ProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_dlg;
    std::string m_iniBefore;
};

TEST_P(FullFaultMatrix, FailsWithItsMessageAndChangesNothingMore) {
    const FaultCase& c = GetParam();
    const int id = c.operation.id;

    const Bytes general = Copy(m_dlg->generalBlock(), 62);
    const Bytes io = Copy(m_dlg->ioBlock(), 22);
    const Bytes fieldbus = Copy(m_dlg->fieldbusBlock(), 132);
    const Bytes errorBytes = Copy(m_dlg->fieldbusPage()->errorGrid()->data(), 24);
    const int errorUsed = m_dlg->fieldbusPage()->errorGrid()->used();
    const QString networkTime = Child<QLineEdit>(m_dlg->fieldbusPage(), "networkTime")->text();
    const IoPageSnapshot ioPage(Io());

    InjectAtStep(m_sim, c);
    Run(id);
    Settle();

    const char* expected = c.operation.messages[static_cast<size_t>(c.step)];
    if (*expected) {
        EXPECT_EQ(m_messages.messages(), QStringList{U(expected)});
    } else {
        EXPECT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
    }
    // The failing exchange is the operation's last.
    EXPECT_EQ(m_sim.RequestCount(), static_cast<size_t>(c.step + 1));
    EXPECT_EQ(m_folder.IniBytes(), m_iniBefore);

    switch (id) {
        case kRead:
            // Blocks before the failing read are refreshed; the failing one
            // and the later ones stay as they were.
            if (c.step <= 0) {
                EXPECT_EQ(Copy(m_dlg->generalBlock(), 62), general);
            }
            if (c.step <= 1) {
                EXPECT_EQ(Copy(m_dlg->ioBlock(), 22), io);
            }
            EXPECT_EQ(Copy(m_dlg->fieldbusBlock(), 132), fieldbus);
            break;
        case kErrorMessage:
            EXPECT_EQ(Copy(m_dlg->fieldbusPage()->errorGrid()->data(), 24), errorBytes);
            EXPECT_EQ(m_dlg->fieldbusPage()->errorGrid()->used(), errorUsed);
            break;
        case kNetworkTime:
            EXPECT_EQ(Child<QLineEdit>(m_dlg->fieldbusPage(), "networkTime")->text(), networkTime);
            break;
        default:
            ioPage.ExpectKept(Io(), id, c.step);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, FullFaultMatrix, ::testing::ValuesIn(AllCases(Operations())),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return CaseName(info.param);
                         });

// Once the device has vanished, every later exchange fails at once, and the
// port can be closed and opened again when the device is back.
TEST(FullVanishedDevice, LaterOperationsFailAtOnceAndReopeningWorks) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ProgramFolder folder;
    folder.WriteIni("[ports]\r\ncom1=" + sim.DevicePath() + "\r\n[com]\r\nbaudrate=6\r\n");
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    dlg.show();
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());

    sim.InjectFault(ModuleSimulator::Fault::Vanish);
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_EQ(messages.messages(), QStringList{U("获取通用参数失败!")});
    EXPECT_TRUE(dlg.port().IsGone());

    messages.clear();
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.sendButton(), Qt::LeftButton);
    EXPECT_EQ(messages.messages(), (QStringList{U("获取通用参数失败!"), U("修改设备模式失败!")}));

    ASSERT_TRUE(sim.ReopenDevice());
    CControlIni ini;
    ini.SetPath(folder.iniPath());
    ini.WriteString("ports", "com1", sim.DevicePath());
    messages.clear();
    QTest::mouseClick(dlg.comPage()->closeButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());
    sim.ClearRequests();
    QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join(',').toStdString();
    EXPECT_EQ(sim.RequestCount(), 3u);
    dlg.port().Close();
}

// Behind an adapter that echoes every request, on a freshly opened port:
// reads and writes succeed exactly when the module answers, a silent module
// fails every write with its message (its echo is never taken for the
// answer), and nothing more is sent after a failure.
class FullEchoLine : public ::testing::TestWithParam<EchoCase> {};

TEST_P(FullEchoLine, SucceedsExactlyWhenTheModuleAnswers) {
    const EchoCase& c = GetParam();
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.echo = true;
    ASSERT_TRUE(sim.Start(options));
    ProgramFolder folder;
    // The module's own address comes from config.ini, so the general page
    // can be written back without a read first.
    folder.WriteIni("[ports]\r\ncom1=" + sim.DevicePath() +
                    "\r\n[com]\r\nbaudrate=6\r\n[general]\r\nrtuaddr=1\r\n");
    MessageRecorder messages;
    CQuillonDlg dlg(folder.path());
    dlg.show();
    QTest::mouseClick(dlg.comPage()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.port().IsOpen());
    EXPECT_EQ(dlg.port().GetEchoState(), CSerialPort::EchoState::Unknown);

    Behave(sim, c.module);
    const bool answers = c.module == ModuleBehaviour::Answers;

    const char* success = "";
    const char* failure = "";
    // A read needs no probe; a write on a port whose echo is unknown is
    // preceded by one read of the module type.
    size_t requestsOnSuccess = 0;
    switch (c.operation) {
        case kRead:
            QTest::mouseClick(dlg.readButton(), Qt::LeftButton);
            failure = "获取通用参数失败!";
            requestsOnSuccess = 3;
            break;
        case kModifyGeneral:
            dlg.tabSheet()->setCurrentIndex(1);
            QTest::mouseClick(dlg.modifyButton(), Qt::LeftButton);
            success = "修改配置成功!";
            failure = "修改通用配置参数失败!";
            requestsOnSuccess = 4;
            break;
        default:
            dlg.deviceModeList()->setCurrentIndex(1);
            QTest::mouseClick(dlg.sendButton(), Qt::LeftButton);
            success = "修改设备模式成功!";
            failure = "修改设备模式失败!";
            requestsOnSuccess = 2;
            break;
    }
    Settle();
    if (answers) {
        EXPECT_EQ(messages.messages(), *success ? QStringList{U(success)} : QStringList{});
        EXPECT_EQ(sim.RequestCount(), requestsOnSuccess);
        EXPECT_EQ(dlg.port().GetEchoState(), CSerialPort::EchoState::Present);
    } else {
        EXPECT_EQ(messages.messages(), QStringList{U(failure)});
        // The failing exchange is the last: the probe (for a write) and the
        // first write or read, nothing after.
        EXPECT_EQ(sim.RequestCount(), c.operation == kRead ? 1u : 2u);
    }
    if (c.operation == kSendMode) {
        EXPECT_EQ(sim.Register(0x5001) == 3, answers);
    }
    dlg.port().Close();
}

INSTANTIATE_TEST_SUITE_P(BehindAnEcho, FullEchoLine,
                         ::testing::ValuesIn(EchoCases({{"Read", kRead},
                                                        {"ModifyGeneral", kModifyGeneral},
                                                        {"DeviceMode", kSendMode}})),
                         EchoCaseName);

}  // namespace
