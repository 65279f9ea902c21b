#include "procedure_messages.h"

#include <QCoreApplication>

QString ReadFailedText(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return QCoreApplication::translate("ProcedureMessages", "获取通用参数失败!");
        case ConfigBlock::Io:
            return QCoreApplication::translate("ProcedureMessages", "获取 I/O 参数失败!");
        case ConfigBlock::Fieldbus:
            break;
    }
    return QCoreApplication::translate("ProcedureMessages", "获取现场总线参数失败!");
}

QString GroupFailedText(ConfigGroup group, bool passwordRefused) {
    if (passwordRefused)
        return QCoreApplication::translate("ProcedureMessages", "现场总线输入密码错误!");
    switch (group) {
        case kGroupSwitchCoding:
        case kGroupInterface:
        case kGroupWatchdog:
            return QCoreApplication::translate("ProcedureMessages", "修改通用配置参数失败!");
        case kGroupIoLengths:
            return QCoreApplication::translate("ProcedureMessages", "修改 I/O 配置参数失败!");
        case kGroupNodeAddress:
            return QCoreApplication::translate("ProcedureMessages",
                                               "修改现场总线节点地址配置参数失败!");
        case kGroupBitRate:
            return QCoreApplication::translate("ProcedureMessages",
                                               "修改现场总线波特率配置参数失败!");
        case kGroupDeviceInfo:
        case kConfigGroupCount:
            break;
    }
    return QCoreApplication::translate("ProcedureMessages", "修改现场总线配置参数失败!");
}

QString SimpleStepFailedText(SimpleStep write) {
    switch (write) {
        case kStepInterruptMask:
            return QCoreApplication::translate("ProcedureMessages", "修改中断配置参数失败!");
        case kStepUartSettings:
            return QCoreApplication::translate("ProcedureMessages", "修改波特率失败!");
        case kStepIoLengths:
            return GroupFailedText(kGroupIoLengths, false);
        case kStepNodeAddress:
            return GroupFailedText(kGroupNodeAddress, false);
        case kStepCanBitRate:
            break;
    }
    return GroupFailedText(kGroupBitRate, false);
}
