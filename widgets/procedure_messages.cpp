#include "procedure_messages.h"

QString ReadFailedText(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return QStringLiteral("获取通用参数失败!");
        case ConfigBlock::Io:
            return QStringLiteral("获取 I/O 参数失败!");
        case ConfigBlock::Fieldbus:
            break;
    }
    return QStringLiteral("获取现场总线参数失败!");
}

QString GroupFailedText(ConfigGroup group, bool passwordRefused) {
    if (passwordRefused) return QStringLiteral("现场总线输入密码错误!");
    switch (group) {
        case kGroupSwitchCoding:
        case kGroupInterface:
        case kGroupWatchdog:
            return QStringLiteral("修改通用配置参数失败!");
        case kGroupIoLengths:
            return QStringLiteral("修改 I/O 配置参数失败!");
        case kGroupNodeAddress:
            return QStringLiteral("修改现场总线节点地址配置参数失败!");
        case kGroupBitRate:
            return QStringLiteral("修改现场总线波特率配置参数失败!");
        case kGroupDeviceInfo:
        case kConfigGroupCount:
            break;
    }
    return QStringLiteral("修改现场总线配置参数失败!");
}

QString SimpleStepFailedText(SimpleStep write) {
    switch (write) {
        case kStepInterruptMask:
            return QStringLiteral("修改中断配置参数失败!");
        case kStepUartSettings:
            return QStringLiteral("修改波特率失败!");
        case kStepIoLengths:
            return GroupFailedText(kGroupIoLengths, false);
        case kStepNodeAddress:
            return GroupFailedText(kGroupNodeAddress, false);
        case kStepCanBitRate:
            break;
    }
    return GroupFailedText(kGroupBitRate, false);
}
