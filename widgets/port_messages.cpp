#include "port_messages.h"

#include <QCoreApplication>

QString OpenPortFailedMessage(const SerialOpenFailure& failure) {
    QString text = QCoreApplication::translate("PortMessages", "打开串口失败!");
    const std::string reason = OpenFailureReasonText(failure);
    if (!reason.empty()) text += QLatin1Char('\n') + QString::fromStdString(reason);
    return text;
}
