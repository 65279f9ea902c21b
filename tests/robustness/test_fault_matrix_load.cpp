// "从文件载入..." against every way the module or the line can misbehave, at
// every exchange of a load whose file differs in every group: the three
// reads end the load with the message of "读取配置" and write nothing; a
// write that fails stops the load, the message names the groups written,
// the one that failed and the ones not written, the module holds exactly
// what was written, and the pages show the module as it is afterwards.
#include <gtest/gtest.h>

#include <QStringList>

#include "config_files.h"
#include "fault_cases.h"
#include "full_harness.h"
#include "messagerecorder.h"
#include "tempdir.h"

namespace {

using F = ModuleSimulator::Fault;

const char* const kGroupNames[] = {"开关编码、下线/空闲和中断配置",
                                   "通讯接口配置",
                                   "APP喂狗时间和故障默认值",
                                   "I/O长度",
                                   "节点地址",
                                   "节点波特率",
                                   "设备信息"};
constexpr int kGroups = 7;
constexpr int kFirstWrite = 3;
constexpr int kPasswordStep = 9;

// The registers each group writes (the Modbus address 0x500F goes back as
// the module holds it, so it is left out of the interface group).
struct GroupRegisters {
    uint16_t first;
    int count;
};
const GroupRegisters kGroupRegisters[kGroups] = {
    {0x5006, 4}, {0x500B, 4}, {0x5011, 15}, {0x6001, 2}, {0x7004, 1}, {0x7006, 1}, {0x700B, 22}};

// One value changed in every group: the file holds these, the module not.
const std::pair<uint16_t, uint16_t> kFileValues[] = {
    {0x5007, 2},      {0x500D, 40}, {0x5011, 2500},  {0x6002, 8},
    {0x7004, 0x0031}, {0x7006, 4},  {0x700C, 0x03A6}};

std::vector<Operation> LoadOperation() {
    return {{0,
             "LoadFile",
             {"获取通用参数失败!", "获取 I/O 参数失败!", "获取现场总线参数失败!", "", "", "", "",
              "", "", "", ""}}};
}

// The group of a write step.
int GroupOfStep(int step) {
    return step == kPasswordStep + 1 ? kGroups - 1 : step - kFirstWrite;
}

QString Names(int from, int to) {
    QStringList names;
    for (int g = from; g < to; ++g) names << U(kGroupNames[g]);
    return names.isEmpty() ? U("无") : names.join(U("、"));
}

// The faults that lose only the answer: the module carried the request out.
bool AnswerOnlyLost(F fault) {
    return fault == F::BadCrc || fault == F::Truncated || fault == F::Garbage ||
           fault == F::SlowBytes;
}

class LoadFaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_station.Open());
        ModuleSimulator& sim = m_station.sim;
        for (const GroupRegisters& g : kGroupRegisters)
            m_before.push_back(m_station.Registers(g.first, g.count));
        std::vector<std::pair<uint16_t, uint16_t>> originals;
        for (const auto& [address, value] : kFileValues) {
            originals.emplace_back(address, sim.Register(address));
            sim.SetRegister(address, value);
        }
        for (const GroupRegisters& g : kGroupRegisters)
            m_file.push_back(m_station.Registers(g.first, g.count));
        m_frames = {ReadRequest(0x5001, 31),
                    ReadRequest(0x6001, 11),
                    ReadRequest(0x7001, 66),
                    WriteMany(0x5006, m_station.Wire(0x5006, 4)),
                    WriteMany(0x500B, m_station.Wire(0x500B, 5)),
                    WriteMany(0x5011, m_station.Wire(0x5011, 15)),
                    WriteMany(0x6001, m_station.Wire(0x6001, 2)),
                    WriteOne(0x7004, 0x0031),
                    WriteOne(0x7006, 4),
                    WriteOne(0x7003, 0x1234),
                    WriteMany(0x700B, m_station.Wire(0x700B, 22))};
        m_path = QString::fromStdString(m_files.file("load.json"));
        m_station.dlg->SaveToFile(m_path);
        ASSERT_EQ(m_messages.messages().size(), 1);
        for (const auto& [address, value] : originals) sim.SetRegister(address, value);
        m_messages.clear();
        sim.ClearRequests();
        m_iniBefore = m_station.folder.IniBytes();
    }

    Station m_station;
    TempDir m_files;
    MessageRecorder m_messages;
    QString m_path;
    std::vector<std::vector<uint16_t>> m_before;  // per group, the module's values
    std::vector<std::vector<uint16_t>> m_file;    // per group, the file's values
    std::vector<Bytes> m_frames;                  // every exchange of the load
    std::string m_iniBefore;
};

TEST_P(LoadFaultMatrix, StopsNamesTheGroupsAndTheModuleHoldsWhatWasWritten) {
    const FaultCase& c = GetParam();
    ModuleSimulator& sim = m_station.sim;
    CQuillonDlg& dlg = *m_station.dlg;

    InjectAtStep(sim, c);
    const bool shown = WithDiffDialog([&] { dlg.LoadFromFile(m_path); }, WriteWith("1234"));
    Settle();
    EXPECT_EQ(shown, c.step >= kFirstWrite);

    // The exchanges up to the failing one are the load's; what follows can
    // only be the reads that refill the pages.
    const std::vector<Bytes> requests = sim.Requests();
    ASSERT_GE(requests.size(), static_cast<size_t>(c.step + 1));
    EXPECT_EQ(std::vector<Bytes>(requests.begin(), requests.begin() + c.step + 1),
              std::vector<Bytes>(m_frames.begin(), m_frames.begin() + c.step + 1));
    for (size_t i = static_cast<size_t>(c.step) + 1; i < requests.size(); ++i)
        EXPECT_EQ(requests[i][1], 3) << "request " << i << " after the failure";
    EXPECT_EQ(m_station.folder.IniBytes(), m_iniBefore);

    if (c.step < kFirstWrite) {
        EXPECT_EQ(m_messages.messages(), QStringList{U(c.operation.messages[c.step])});
        EXPECT_EQ(requests.size(), static_cast<size_t>(c.step + 1));
        for (int g = 0; g < kGroups; ++g)
            EXPECT_EQ(m_station.Registers(kGroupRegisters[g].first, kGroupRegisters[g].count),
                      m_before[g])
                << kGroupNames[g];
        return;
    }

    const int failed = GroupOfStep(c.step);
    QString expected = U("从文件载入配置失败!\n已写入: ") + Names(0, failed) + U("\n写入失败: ") +
                       U(kGroupNames[failed]);
    if (c.step == kPasswordStep) expected += U("（现场总线输入密码错误!）");
    if (failed + 1 < kGroups) expected += U("\n未写入: ") + Names(failed + 1, kGroups);
    ASSERT_EQ(m_messages.messages().size(), 1);
    const QString message = m_messages.messages().first();
    // A vanished device, or one still sending the slow answer, cannot be
    // read back at once; that is told after the groups.
    const bool readBackFails = c.kind.fault == F::Vanish || c.kind.fault == F::SlowBytes;
    if (readBackFails) {
        EXPECT_TRUE(message.startsWith(expected + U("\n重新读取配置: "))) << message.toStdString();
    } else {
        EXPECT_EQ(message, expected);
    }

    // The password write going through opens nothing by itself: the device
    // information is taken only with its own frame.
    const bool failedTaken = AnswerOnlyLost(c.kind.fault) && c.step != kPasswordStep;
    for (int g = 0; g < kGroups; ++g) {
        const bool written = g < failed || (g == failed && failedTaken);
        EXPECT_EQ(m_station.Registers(kGroupRegisters[g].first, kGroupRegisters[g].count),
                  written ? m_file[g] : m_before[g])
            << kGroupNames[g];
    }

    if (!readBackFails) {
        // The pages were refilled from what the module holds now.
        EXPECT_EQ(Copy(dlg.fieldbusBlock(), 132), m_station.Wire(0x7001, 66));
        const std::vector<uint16_t> io = m_station.Registers(0x6001, 2);
        EXPECT_EQ(dlg.ioBlock()[0] | dlg.ioBlock()[1] << 8, io[0]);
        EXPECT_EQ(dlg.ioBlock()[2] | dlg.ioBlock()[3] << 8, io[1]);
        for (uint16_t address : {0x5007, 0x500D, 0x5011}) {
            const size_t at = 2u * (address - 0x5001);
            EXPECT_EQ(dlg.generalBlock()[at] | dlg.generalBlock()[at + 1] << 8,
                      sim.Register(address))
                << std::hex << address;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryExchange, LoadFaultMatrix,
                         ::testing::ValuesIn(AllCases(LoadOperation())),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return CaseName(info.param);
                         });

}  // namespace
