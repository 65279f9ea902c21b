// Every module operation of the simple edition against every way the module
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

#include "cpropcfg.h"
#include "cpropio.h"
#include "cquillondlg.h"
#include "fault_cases.h"
#include "io_page_faults.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "mycug.h"

namespace {

enum OpId {
    kRead, kModify, kChangeBaud, kSendMode, kEmergency, kNetworkTime
};

std::vector<Operation> MakeOperations() {
    std::vector<Operation> operations = {
        {kRead, "ReadConfig", {"获取通用参数失败!", "获取 I/O 参数失败!", "获取现场总线参数失败!"}},
        {kModify, "ModifyConfig",
         {"修改中断配置参数失败!", "修改波特率失败!", "修改 I/O 配置参数失败!",
          "修改现场总线节点地址配置参数失败!", "修改现场总线波特率配置参数失败!"}},
        {kChangeBaud, "ChangeBaudRate", {"修改中断配置参数失败!", "修改波特率失败!"}},
        {kSendMode, "SendDeviceMode", {"修改设备模式失败!"}},
        {kEmergency, "SendEmergency", {"发送紧急代码失败!"}},
        {kNetworkTime, "GetNetworkTime", {"获取网络时间标识失败!"}},
    };
    AppendIoOperations(&operations);
    return operations;
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = MakeOperations();
    return operations;
}

class SimpleFaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        WriteMatrixIni(m_folder, m_sim);
        m_window = std::make_unique<CQuillonDlg>(m_folder.path());
        m_window->show();
        ASSERT_TRUE(m_window->port()->IsOpen());
        QTest::mouseClick(Cfg()->readConfigButton(), Qt::LeftButton);
        ASSERT_TRUE(m_messages.messages().isEmpty());
        Prepare(GetParam().operation.id);
        ASSERT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
        m_sim.ClearRequests();
        m_iniBefore = m_folder.IniBytes();
    }
    void TearDown() override {
        if (m_window) m_window->port()->Close();
    }

    CPropCfg* Cfg() const { return m_window->cfgPage(); }
    CPropIo* Io() const { return m_window->ioPage(); }

    void Prepare(int id) {
        switch (id) {
            case kModify:
                Cfg()->inputLengthBox()->setText("8");
                Cfg()->outputLengthBox()->setText("10");
                break;
            case kChangeBaud:
                Cfg()->bitRateList()->setCurrentIndex(4);
                break;
            case kSendMode:
                Cfg()->deviceModeList()->setCurrentIndex(1);
                break;
            case kEmergency:
                Cfg()->emergencyCodeBox()->setText("81 10");
                Cfg()->emergencyCustomBox()->setText("00 01");
                break;
            default:
                PrepareIoOperation(Io(), id);
                break;
        }
    }

    void Run(int id) {
        QAbstractButton* button = nullptr;
        switch (id) {
            case kRead: button = Cfg()->readConfigButton(); break;
            case kModify: button = Cfg()->modifyConfigButton(); break;
            case kChangeBaud: button = Cfg()->changeBaudButton(); break;
            case kSendMode: button = Cfg()->sendDeviceModeButton(); break;
            case kEmergency: button = Cfg()->sendEmergencyButton(); break;
            case kNetworkTime: button = Cfg()->getNetworkTimeButton(); break;
            default: RunIoOperation(Io(), id); return;
        }
        QTest::mouseClick(button, Qt::LeftButton);
    }

    ProgramFolder m_folder;
    ModuleSimulator m_sim;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_window;
    std::string m_iniBefore;
};

TEST_P(SimpleFaultMatrix, FailsWithItsMessageAndChangesNothingMore) {
    const FaultCase& c = GetParam();
    const int id = c.operation.id;

    const QString inputLength = Cfg()->inputLengthBox()->text();
    const QString nodeAddress = Cfg()->nodeAddressBox()->text();
    const int bitRate = Cfg()->bitRateList()->currentIndex();
    const uint16_t mask = Cfg()->indicatorRow()->ReadInterruptMask();
    const QString networkTime = Cfg()->networkTimeBox()->text();
    const Bytes fieldbus = Copy(Cfg()->fieldbusBlock(), 132);
    const int inputUsed = Io()->inputGrid()->used();
    const IoPageSnapshot ioPage(Io());

    InjectAtStep(m_sim, c);
    Run(id);
    QCoreApplication::processEvents();

    const char* expected = c.operation.messages[static_cast<size_t>(c.step)];
    if (*expected) {
        EXPECT_EQ(m_messages.messages(), QStringList{U(expected)});
    } else {
        EXPECT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join(',').toStdString();
    }
    EXPECT_EQ(m_sim.RequestCount(), static_cast<size_t>(c.step + 1));
    EXPECT_EQ(m_folder.IniBytes(), m_iniBefore);
    EXPECT_TRUE(m_window->port()->IsOpen());

    switch (id) {
        case kRead:
            // A failed read changes no control.
            EXPECT_EQ(Cfg()->inputLengthBox()->text(), inputLength);
            EXPECT_EQ(Cfg()->nodeAddressBox()->text(), nodeAddress);
            EXPECT_EQ(Cfg()->bitRateList()->currentIndex(), bitRate);
            EXPECT_EQ(Cfg()->indicatorRow()->ReadInterruptMask(), mask);
            EXPECT_EQ(Copy(Cfg()->fieldbusBlock(), 132), fieldbus);
            break;
        case kModify:
            // The I/O page learns the new lengths only once they are written.
            if (c.step <= 2) {
                EXPECT_EQ(Io()->inputGrid()->used(), inputUsed);
            } else {
                EXPECT_EQ(Io()->inputGrid()->used(), 8);
            }
            break;
        case kNetworkTime:
            EXPECT_EQ(Cfg()->networkTimeBox()->text(), networkTime);
            break;
        default:
            ioPage.ExpectKept(Io(), id, c.step);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, SimpleFaultMatrix,
                         ::testing::ValuesIn(AllCases(Operations())),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return CaseName(info.param);
                         });

// Behind an adapter that echoes every request: the writes succeed exactly
// when the module answers; a silent module fails each with its message and
// nothing more is sent. Modify and change-baud follow a read (which enables
// them); the device mode goes out on the freshly opened port, after the
// probe read.
class SimpleEchoLine : public ::testing::TestWithParam<EchoCase> {};

TEST_P(SimpleEchoLine, WritesSucceedExactlyWhenTheModuleAnswers) {
    const EchoCase& c = GetParam();
    ModuleSimulator sim;
    ModuleSimulator::Options options;
    options.echo = true;
    ASSERT_TRUE(sim.Start(options));
    ProgramFolder folder;
    folder.WritePorts(sim.DevicePath(), "[com]\r\nbaudrate=6\r\n");
    MessageRecorder messages;
    CQuillonDlg window(folder.path());
    window.show();
    ASSERT_TRUE(window.port()->IsOpen());
    CPropCfg* cfg = window.cfgPage();
    size_t before = 0;
    if (c.operation != kSendMode) {
        QTest::mouseClick(cfg->readConfigButton(), Qt::LeftButton);
        ASSERT_TRUE(messages.messages().isEmpty());
        ASSERT_EQ(window.port()->GetEchoState(), CSerialPort::EchoState::Present);
        before = sim.RequestCount();
    }
    cfg->inputLengthBox()->setText("4");
    cfg->outputLengthBox()->setText("4");
    cfg->nodeAddressBox()->setText("5");

    Behave(sim, c.module);
    const bool answers = c.module == ModuleBehaviour::Answers;

    const char* success = "修改设备模式成功!";
    const char* failure = "修改中断配置参数失败!";
    size_t requestsOnSuccess = 5;
    switch (c.operation) {
        case kModify:
            QTest::mouseClick(cfg->modifyConfigButton(), Qt::LeftButton);
            success = "修改配置成功!";
            break;
        case kChangeBaud:
            QTest::mouseClick(cfg->changeBaudButton(), Qt::LeftButton);
            success = "修改波特率成功!";
            requestsOnSuccess = 2;
            break;
        default:
            cfg->deviceModeList()->setCurrentIndex(1);
            QTest::mouseClick(cfg->sendDeviceModeButton(), Qt::LeftButton);
            failure = "修改设备模式失败!";
            requestsOnSuccess = 2;  // the probe read and the write
            break;
    }
    if (answers) {
        EXPECT_EQ(messages.messages(), QStringList{QString::fromUtf8(success)});
        EXPECT_EQ(sim.RequestCount() - before, requestsOnSuccess);
    } else {
        EXPECT_EQ(messages.messages(), QStringList{QString::fromUtf8(failure)});
        // The failing write is the last request (after the probe, for the
        // device mode).
        EXPECT_EQ(sim.RequestCount() - before, c.operation == kSendMode ? 2u : 1u);
    }
    window.port()->Close();
}

INSTANTIATE_TEST_SUITE_P(BehindAnEcho, SimpleEchoLine,
                         ::testing::ValuesIn(EchoCases({{"Modify", kModify},
                                                        {"ChangeBaud", kChangeBaud},
                                                        {"DeviceMode", kSendMode}})),
                         EchoCaseName);

}  // namespace
