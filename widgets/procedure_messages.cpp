#include "procedure_messages.h"

#include <QCoreApplication>
#include <QStringList>

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

QString BlockCaption(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return QCoreApplication::translate("ProcedureMessages", "通用参数");
        case ConfigBlock::Io:
            return QCoreApplication::translate("ProcedureMessages", "I/O 参数");
        case ConfigBlock::Fieldbus:
            break;
    }
    return QCoreApplication::translate("ProcedureMessages", "现场总线参数");
}

QString ReadCancelledText(int blocksRead) {
    QStringList read;
    for (int b = 0; b < blocksRead && b <= static_cast<int>(ConfigBlock::Fieldbus); ++b)
        read << BlockCaption(static_cast<ConfigBlock>(b));
    return QCoreApplication::translate("ProcedureMessages", "读取配置已取消。\n已读取: ") +
           (read.isEmpty() ? QCoreApplication::translate("ProcedureMessages", "无")
                           : read.join(QCoreApplication::translate("ProcedureMessages", "、")));
}

QString ReadProgressTitle() {
    return QCoreApplication::translate("ProcedureMessages", "正在读取配置...");
}

QString ReadStepCaption(ConfigBlock block, size_t done, size_t total) {
    return QStringLiteral("%1 (%2/%3)").arg(BlockCaption(block)).arg(done + 1).arg(total);
}
