// Reading the whole configuration and writing groups of it, against a
// scripted slave: answers the module simulator never gives.

#include <gtest/gtest.h>

#include "config_transfer.h"
#include "cserialport.h"
#include "frames.h"
#include "io_block.h"
#include "scriptedslave.h"

namespace {

class ConfigTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_slave.Start());
        ASSERT_EQ(m_port.OpenDevice(m_slave.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
        // A load always reads first, which tells the port the line has no
        // echo; after that read the writes go out alone.
        m_port.SetEchoMode(CSerialPort::EchoMode::Never);
    }
    ScriptedSlave m_slave;
    CSerialPort m_port;
    ModuleSession m_session{&m_port};
};

// A file or a comparison built on a block the module answered only in part
// would claim values it never gave.
TEST_F(ConfigTransfer, ShortBlockFailsTheReadAndKeepsTheBlocks) {
    m_slave.Queue(ReadAnswer(Bytes(62, 0x11)));
    m_slave.Queue(ReadAnswer(Bytes(20, 0x22)));  // one register short
    ConfigBlocks blocks;
    blocks.general[0] = 0x99;
    ConfigBlock failed = ConfigBlock::General;
    EXPECT_EQ(ReadConfigBlocks(&m_session, &blocks, &failed), kModuleFailed);
    EXPECT_EQ(failed, ConfigBlock::Io);
    EXPECT_EQ(blocks.general[0], 0x99);
    EXPECT_EQ(blocks.io[0], 0);
    EXPECT_EQ(m_slave.Requests().size(), 2u);
}

// "读取配置" takes a short but consistent answer as far as it goes and keeps
// the registers it does not carry; an answer that is not consistent, or
// longer than its block, fails its read and stops the sequence.
TEST_F(ConfigTransfer, ShortAnswersFillTheirPartAndInconsistentOnesAreRefused) {
    auto read = [this](const ConfigBlocks& held, std::initializer_list<Bytes> answers) {
        for (const Bytes& answer : answers) m_slave.Queue(answer);
        return ReadConfiguration(&m_session, held);
    };
    Bytes first(62), second(36), io(22, 0);
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i + 1);
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(0x80 + i);
    io[1] = 4;  // input length 4
    io[3] = 6;  // output length 6
    ConfigReadResult result =
        read(ConfigBlocks(), {ReadAnswer(first), ReadAnswer(io), ReadAnswer(Bytes(132, 0))});
    // 3 + 36 + 2 = 41 bytes.
    result = read(result.blocks, {ReadAnswer(second), ReadAnswer(io), ReadAnswer(Bytes(132, 0))});
    EXPECT_EQ(result.status, kModuleOk);
    EXPECT_EQ(result.blocksRead, 3);
    EXPECT_EQ(m_slave.Requests().size(), 6u);
    for (size_t i = 0; i < 62; ++i)
        EXPECT_EQ(result.blocks.general[i], i < 36 ? second[i ^ 1] : first[i ^ 1]) << "byte " << i;
    EXPECT_EQ(IoInputLength(result.blocks.io), 4);
    EXPECT_EQ(IoOutputLength(result.blocks.io), 6);

    // Byte count 36 with 38 data bytes; an odd byte count that would split a
    // register; a fine general answer, then an I/O answer beyond its 22 bytes.
    Bytes lying = {0x01, 0x03, 36};
    lying.insert(lying.end(), 38, 0x77);
    const ConfigBlocks held = result.blocks;
    for (const Bytes& answer : {WithCrc(lying), ReadAnswer(Bytes(35, 0x77))}) {
        result = read(held, {answer});
        EXPECT_EQ(result.status, kModuleFailed);
        EXPECT_EQ(result.Failed(), ConfigBlock::General);
        EXPECT_EQ(Bytes(result.blocks.general, result.blocks.general + 62),
                  Bytes(held.general, held.general + 62));
    }
    result = read(held, {ReadAnswer(Bytes(62, 0x11)), ReadAnswer(Bytes(24, 0x22))});
    EXPECT_EQ(result.Failed(), ConfigBlock::Io);
    EXPECT_TRUE(result.Read(ConfigBlock::General));
    EXPECT_EQ(Bytes(result.blocks.general, result.blocks.general + 62), Bytes(62, 0x11));
    EXPECT_EQ(Bytes(result.blocks.io, result.blocks.io + 22), Bytes(held.io, held.io + 22));
    EXPECT_EQ(m_slave.Requests().size(), 10u);
}

// A hook that says stop is heeded before the next exchange, never during
// one: nothing more goes out, and a load reports the rest as not sent.
TEST_F(ConfigTransfer, AStopBetweenStepsSendsNothingMore) {
    FunctionHook stopAfterOne([](const ProcedureStep& step) { return step.done < 1; });
    m_slave.Queue(ReadAnswer(Bytes(62, 0x11)));
    const ConfigReadResult read = ReadConfiguration(&m_session, ConfigBlocks(), &stopAfterOne);
    EXPECT_EQ(read.status, kProcedureCancelled);
    EXPECT_EQ(read.blocksRead, 1);
    EXPECT_EQ(read.Failed(), ConfigBlock::Io);

    m_slave.Queue(WithCrc({0x01, 0x10, 0x50, 0x06, 0x00, 0x04}));
    ConfigWriteReport report;
    EXPECT_EQ(WriteConfigGroups(&m_session, ConfigBlocks(), GroupsOfBlock(ConfigBlock::General),
                                nullptr, &stopAfterOne, &report),
              kProcedureCancelled);
    EXPECT_EQ(report.written, GroupBit(kGroupSwitchCoding));
    EXPECT_EQ(report.notSent, GroupBit(kGroupInterface) | GroupBit(kGroupWatchdog));
    EXPECT_EQ(report.failed, 0u);
    EXPECT_EQ(m_slave.Requests(),
              (std::vector<Bytes>{ReadRequest(0x5001, 31), WriteMany(0x5006, Bytes(8, 0))}));
}

TEST_F(ConfigTransfer, EveryGroupAskedForIsReportedOnce) {
    ConfigBlocks blocks;
    blocks.fieldbus[7] = 0x31;
    m_slave.Queue(ReadAnswer({0x02, 0x01, 0x00, 0x01}));
    ASSERT_EQ(m_session.ReadModuleType(nullptr), kModuleOk);
    m_slave.Queue(WriteOne(0x7004, 0x0031));
    m_slave.Queue(ExceptionAnswer(6, 4));
    const ConfigGroupSet groups =
        GroupBit(kGroupNodeAddress) | GroupBit(kGroupBitRate) | GroupBit(kGroupDeviceInfo);
    std::vector<int> progress;
    FunctionHook hook([&](const ProcedureStep& step) {
        progress.push_back(static_cast<int>(step.group * 100 + step.done * 10 + step.total));
        return true;
    });
    ConfigWriteReport report;
    EXPECT_NE(WriteConfigGroups(&m_session, blocks, groups, nullptr, &hook, &report), kModuleOk);
    EXPECT_EQ(report.written, GroupBit(kGroupNodeAddress));
    EXPECT_EQ(report.failed, GroupBit(kGroupBitRate));
    EXPECT_EQ(report.notSent, 0u);
    EXPECT_EQ(report.skipped, GroupBit(kGroupDeviceInfo));
    EXPECT_FALSE(report.passwordRefused);
    EXPECT_EQ(progress, (std::vector<int>{kGroupNodeAddress * 100 + 2, kGroupBitRate * 100 + 12}));
    EXPECT_EQ(m_slave.Requests(),
              (std::vector<Bytes>{ReadRequest(0x5003, 2), WriteOne(0x7004, 0x0031),
                                  WriteOne(0x7006, 0)}));
}

// The module opens the device information only after the password: a
// refused password is followed by no data, and the report names the
// password, not the group.
TEST_F(ConfigTransfer, RefusedPasswordSendsNoDeviceInformation) {
    ConfigBlocks blocks;
    m_slave.Queue(ReadAnswer({0x02, 0x01, 0x00, 0x01}));
    ASSERT_EQ(m_session.ReadModuleType(nullptr), kModuleOk);
    m_slave.Queue(WriteOne(0x7006, 0));
    m_slave.Queue(ExceptionAnswer(6, 3));
    const uint16_t password = 0x4321;
    ConfigWriteReport report;
    EXPECT_EQ(
        WriteConfigGroups(&m_session, blocks, GroupBit(kGroupBitRate) | GroupBit(kGroupDeviceInfo),
                          &password, nullptr, &report),
        kModuleFailed);
    EXPECT_TRUE(report.passwordRefused);
    EXPECT_EQ(report.written, GroupBit(kGroupBitRate));
    EXPECT_EQ(report.failed, GroupBit(kGroupDeviceInfo));
    EXPECT_EQ(report.status, kModuleFailed);
    EXPECT_EQ(m_slave.Requests(),
              (std::vector<Bytes>{ReadRequest(0x5003, 2), WriteOne(0x7006, 0),
                                  WriteOne(0x7003, 0x4321)}));
}

}  // namespace
