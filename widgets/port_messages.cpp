#include "port_messages.h"

QString OpenPortFailedMessage(const SerialOpenFailure& failure) {
    QString text = QStringLiteral("打开串口失败!");
    const std::string reason = OpenFailureReasonText(failure);
    if (!reason.empty()) text += QLatin1Char('\n') + QString::fromStdString(reason);
    return text;
}
