// The simple edition's writes and the device-mode command against the
// module simulator.

#include <gtest/gtest.h>

#include "cserialport.h"
#include "fieldbus_block.h"
#include "frames.h"
#include "general_block.h"
#include "module_writes.h"
#include "modulesimulator.h"

namespace {

// The entries go into the page's copy of the blocks whether or not the
// writes succeed; the writes go out in order and stop at the first failure.
TEST(ModuleWrites, SimpleModifyWritesInOrderAndStopsAtTheFirstFailure) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    CSerialPort port;
    port.SetEchoMode(CSerialPort::EchoMode::Never);
    ASSERT_EQ(port.OpenDevice(sim.DevicePath(), 115200, 8, 0, 0, 0), kSerialOk);
    ModuleSession session(&port);
    // The port reads once before its first write, whatever the echo mode.
    ASSERT_EQ(session.ReadModuleType(nullptr), kModuleOk);
    sim.ClearRequests();

    ConfigBlocks held;
    held.general[27] = 0x84;  // the format byte travels with the rate position
    SimpleEntries entries;
    entries.uartBaudPosition = 6;
    entries.interruptMask = 0x0201;
    entries.inputLength = 8;
    entries.outputLength = 10;
    entries.nodeAddress = 0x1A;
    entries.canBitRatePosition = -1;
    sim.InjectFault(ModuleSimulator::Fault::None, 3);
    sim.InjectFault(ModuleSimulator::Fault::Exception);
    const WriteSequence written = ModifySimpleConfiguration(&session, held, entries);
    EXPECT_EQ(written.status, kModuleFailed);
    EXPECT_EQ(written.done, kStepNodeAddress);
    EXPECT_TRUE(written.Done(kStepIoLengths));
    EXPECT_FALSE(written.Done(kStepNodeAddress));
    EXPECT_EQ(sim.Requests(),
              (std::vector<Bytes>{WriteOne(0x5009, 0x0201), WriteOne(0x500E, 0x8406),
                                  WriteMany(0x6001, {0, 8, 0, 10}), WriteOne(0x7004, 0x001A)}));
    EXPECT_EQ(HeldWord(written.blocks.general, 26), 0x8406);
    EXPECT_EQ(WireWord(written.blocks.fieldbus, 10), 0xFFFF);

    sim.ClearRequests();
    const WriteSequence baud = ChangeModuleBaudRate(&session, written.blocks, -1, 0x0001);
    EXPECT_EQ(baud.status, kModuleOk);
    EXPECT_EQ(baud.done, 2);
    EXPECT_EQ(sim.Requests(),
              (std::vector<Bytes>{WriteOne(0x5009, 0x0001), WriteOne(0x500E, 0x84FF)}));

    sim.ClearRequests();
    EXPECT_EQ(SendDeviceMode(&session, 2), kModuleOk);
    EXPECT_EQ(SendDeviceMode(&session, -1), kModuleFailed);
    EXPECT_EQ(sim.Requests(), (std::vector<Bytes>{WriteOne(0x5001, 4), WriteOne(0x5001, 0x00FF)}));
}

}  // namespace
