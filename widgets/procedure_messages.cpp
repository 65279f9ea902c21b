#include "procedure_messages.h"

#include <QStringList>

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

QString BlockCaption(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return QStringLiteral("通用参数");
        case ConfigBlock::Io:
            return QStringLiteral("I/O 参数");
        case ConfigBlock::Fieldbus:
            break;
    }
    return QStringLiteral("现场总线参数");
}

QString ReadCancelledText(int blocksRead) {
    QStringList read;
    for (int b = 0; b < blocksRead && b <= static_cast<int>(ConfigBlock::Fieldbus); ++b)
        read << BlockCaption(static_cast<ConfigBlock>(b));
    return QStringLiteral("读取配置已取消。\n已读取: ") +
           (read.isEmpty() ? QStringLiteral("无") : read.join(QStringLiteral("、")));
}

QString ReadProgressTitle() {
    return QStringLiteral("正在读取配置...");
}

QString ReadStepCaption(ConfigBlock block, size_t done, size_t total) {
    return QStringLiteral("%1 (%2/%3)").arg(BlockCaption(block)).arg(done + 1).arg(total);
}
