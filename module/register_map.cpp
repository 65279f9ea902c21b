#include "register_map.h"

const InterruptBit kInterruptBits[kInterruptBitCount] = {
    {9, "SYSS", "模块系统异常"},
    {8, "APW", "应用程序未在看门狗时间内发送有效的命令"},
    {7, "PARAM", "接收到主站非循环非实时数据"},
    {6, "IDLE", "现场总线进入空闲状态"},
    {5, "RES", "接收到主站发送复位"},
    {4, "DEF", "接收到主站恢复出厂设置"},
    {3, "I/O", "接收到主站非循环实时数据"},
    {2, "FBOFF", "现场总线进入离线状态"},
    {1, "FBON", "当现场总线进入上线状态"},
    {0, "START ", "模块上电后开始准备好通信"},
};

const char* const kDeviceModeItems[kDeviceModeCount] = {"启动", "复位", "恢复出厂默认"};

int DeviceModeValueForIndex(int index) { return index <= 0 ? index : index + 2; }
