#include "register_map.h"

const InterruptBit kInterruptBits[kInterruptBitCount] = {
    {9, "SYSS", kTextInterruptSyss},   {8, "APW", kTextInterruptApw},
    {7, "PARAM", kTextInterruptParam}, {6, "IDLE", kTextInterruptIdle},
    {5, "RES", kTextInterruptRes},     {4, "DEF", kTextInterruptDef},
    {3, "I/O", kTextInterruptIo},      {2, "FBOFF", kTextInterruptFboff},
    {1, "FBON", kTextInterruptFbon},   {0, "START ", kTextInterruptStart},
};

const CoreText kDeviceModeItems[kDeviceModeCount] = {kTextModeStart, kTextModeReset,
                                                     kTextModeFactory};

int DeviceModeValueForIndex(int index) { return index <= 0 ? index : index + 2; }
