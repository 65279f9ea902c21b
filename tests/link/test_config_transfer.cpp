// Reading the whole configuration and writing groups of it, against a
// scripted slave: answers the module simulator never gives.

#include <gtest/gtest.h>

#include "config_transfer.h"
#include "cserialport.h"
#include "frames.h"
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
    ConfigWriteReport report;
    EXPECT_NE(WriteConfigGroups(
                  &m_session, blocks, groups, nullptr,
                  [&](ConfigGroup group, int done, int total) {
                      progress.push_back(group * 100 + done * 10 + total);
                  },
                  &report),
              kModuleOk);
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
                          &password, ConfigWriteProgress(), &report),
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
