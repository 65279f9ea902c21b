#include "module_search_dialog.h"

#include <QApplication>
#include <QProgressDialog>

#include "cserialport.h"
#include "modulesession.h"
#include "serialscanline.h"

namespace {

QString PortText(const ScanPort& port) {
    const QString path = QString::fromStdString(port.path);
    return port.number > 0 ? QStringLiteral("%1 (%2)").arg(port.number).arg(path) : path;
}

}  // namespace

QString ParityItemText(int parity) {
    switch (parity) {
        case 1:
            return QStringLiteral("奇校验");
        case 2:
            return QStringLiteral("偶校验");
        default:
            return QStringLiteral("无校验");
    }
}

ScanOutcome RunModuleSearch(QWidget* parent, const std::vector<ScanPort>& ports) {
    QProgressDialog dialog(QStringLiteral("正在搜索模块..."), QStringLiteral("取消"), 0,
                           static_cast<int>(ports.size() * ScanOrder().size()), parent);
    dialog.setWindowTitle(QStringLiteral("搜索模块"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);

    CSerialPort port;
    ModuleSession session(&port);
    SerialScanLine line(&port, &session);
    const ScanOutcome outcome = SearchModule(line, ports, [&dialog](const ScanProgress& step) {
        dialog.setMaximum(static_cast<int>(step.tryCount));
        dialog.setLabelText(QStringLiteral("正在搜索模块: %1, %2, %3")
                                .arg(PortText(*step.port))
                                .arg(step.settings.baud)
                                .arg(QString::fromStdString(ScanFormatName(step.settings))));
        // A modal dialog's setValue also lets the 取消 click through.
        dialog.setValue(static_cast<int>(step.tryIndex));
        QApplication::processEvents();
        return !dialog.wasCanceled();
    });
    port.Close();
    return outcome;
}

QString ModuleSearchResultText(const ScanOutcome& outcome, const std::vector<ScanPort>& ports) {
    if (outcome.cancelled) return QString();
    if (outcome.found) {
        return QStringLiteral("找到模块: 串口 %1, 波特率 %2, 数据位 8, %3, 停止位 1。")
            .arg(PortText(outcome.port))
            .arg(outcome.settings.baud)
            .arg(ParityItemText(outcome.settings.parity));
    }
    QStringList where;
    for (const ScanPort& port : ports) where << PortText(port);
    QString text = QStringLiteral(
                       "未找到模块。已尝试: %1; 波特率 2400 至 614400, 无校验、偶校验和奇校验, "
                       "数据位 8, 停止位 1 (共 %2 次)。")
                       .arg(where.join(QStringLiteral(", ")))
                       .arg(outcome.tries);
    for (const auto& unusable : outcome.unusable)
        text += QStringLiteral("\n%1: %2").arg(PortText(unusable.first),
                                              QString::fromStdString(unusable.second));
    return text;
}
