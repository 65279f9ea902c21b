#pragma once

#include <cstdint>

#include "config_blocks.h"
#include "modulesession.h"

// Writes that are not configuration groups: the simple edition's
// "修改配置" and "改变波特率", and the device-mode command of both programs.

// The values the simple edition's page changes, as it has taken and checked
// them.
struct SimpleEntries {
    int uartBaudPosition = 0;  // rate list position; none (-1) goes out as 0xFF
    uint16_t interruptMask = 0;
    int inputLength = 0;
    int outputLength = 0;
    uint16_t nodeAddress = 0;
    int canBitRatePosition = 0;  // CAN rate list position; none (-1) goes out as 0xFFFF
};

// The writes of the simple edition's "修改配置", in the order they go out;
// "改变波特率" makes the first two.
enum SimpleStep {
    kStepInterruptMask,  // fn 6, 0x5009
    kStepUartSettings,   // fn 6, 0x500E: the rate position and the format byte last read
    kStepIoLengths,      // fn 16, 0x6001 x 2
    kStepNodeAddress,    // fn 6, 0x7004
    kStepCanBitRate,     // fn 6, 0x7006
};

// How a sequence of writes ended; the first failure stops it, and writes
// already confirmed stay done in the module.
struct WriteSequence {
    int status = kModuleOk;  // of the write that failed
    int done = 0;            // writes confirmed, in order; the next one failed unless Ok
    ConfigBlocks blocks;     // the page's blocks with the entries in place, also after a failure
    bool Done(SimpleStep write) const { return static_cast<int>(write) < done; }
};

// "修改配置" of the simple edition: the entries go into the page's copy of the
// blocks (every other byte stays as the module last sent it), then the five
// writes in order.
WriteSequence ModifySimpleConfiguration(ModuleSession* session, const ConfigBlocks& held,
                                        const SimpleEntries& entries);

// "改变波特率": the rate position and the interrupt mask into the general
// block, then the writes of 0x5009 and 0x500E. The PC port keeps its rate.
WriteSequence ChangeModuleBaudRate(ModuleSession* session, const ConfigBlocks& held,
                                   int uartBaudPosition, uint16_t interruptMask);

// The device-mode command for a position of the device-mode list (none: -1,
// whose low byte goes out).
int SendDeviceMode(ModuleSession* session, int listPosition);
