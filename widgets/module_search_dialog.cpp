#include "module_search_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>

#include "port_numbers.h"
#include "search_ports.h"

namespace {

QString PortText(const ScanPort& port) {
    const QString path = QString::fromStdString(port.path);
    return port.number > 0 ? QStringLiteral("%1 (%2)").arg(port.number).arg(path) : path;
}

// Shows each try in the dialog; its "取消" stops the search before the next.
class ProgressHook : public ProcedureHook {
public:
    explicit ProgressHook(QProgressDialog* dialog) : m_dialog(dialog) {}
    bool BeforeStep(const ProcedureStep& step) override {
        m_dialog->setMaximum(static_cast<int>(step.total));
        if (step.scanTry != nullptr) {
            m_dialog->setLabelText(
                QCoreApplication::translate("ModuleSearch", "正在搜索模块: %1, %2, %3")
                    .arg(PortText(*step.scanTry->port))
                    .arg(step.scanTry->settings.baud)
                    .arg(QString::fromStdString(ScanFormatName(step.scanTry->settings))));
        }
        // A modal dialog's setValue also lets the 取消 click through.
        m_dialog->setValue(static_cast<int>(step.done));
        QApplication::processEvents();
        return !m_dialog->wasCanceled();
    }

private:
    QProgressDialog* m_dialog;
};

}  // namespace

std::vector<ScanPort> PortsToSearch(int selectedNumber, CControlIni* settings,
                                    const DiscoveryRoots& roots) {
    return SearchPortsFor(selectedNumber, RefreshPortNumbers(settings, roots), roots);
}
QIcon SearchIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 3.5));
    painter.drawEllipse(QRectF(4, 4, 17, 17));
    painter.setPen(QPen(QColor(40, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 19), QPointF(28, 28));
    return QIcon(pixmap);
}

QString ParityItemText(int parity) {
    switch (parity) {
        case 1:
            return QCoreApplication::translate("ModuleSearch", "奇校验");
        case 2:
            return QCoreApplication::translate("ModuleSearch", "偶校验");
        default:
            return QCoreApplication::translate("ModuleSearch", "无校验");
    }
}

ScanOutcome SearchWithProgress(QWidget* parent, const std::vector<ScanPort>& ports, int echoMode) {
    QProgressDialog dialog(QCoreApplication::translate("ModuleSearch", "正在搜索模块..."),
                           QCoreApplication::translate("ModuleSearch", "取消"), 0,
                           static_cast<int>(ports.size() * ScanOrder().size()), parent);
    dialog.setWindowTitle(QCoreApplication::translate("ModuleSearch", "搜索模块"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);
    ProgressHook hook(&dialog);
    return RunModuleSearch(ports, echoMode, &hook);
}

QString ModuleSearchResultText(const ScanOutcome& outcome, const std::vector<ScanPort>& ports) {
    if (outcome.cancelled) return QString();
    if (outcome.found && outcome.settingsFromServer) {
        return QCoreApplication::translate(
                   "ModuleSearch", "找到模块: 串口 %1。线路设置由服务器决定, 不由本程序设置。")
            .arg(PortText(outcome.port));
    }
    if (outcome.found) {
        return QCoreApplication::translate("ModuleSearch",
                                           "找到模块: 串口 %1, 波特率 %2, 数据位 8, %3, 停止位 1。")
            .arg(PortText(outcome.port))
            .arg(outcome.settings.baud)
            .arg(ParityItemText(outcome.settings.parity));
    }
    QStringList where;
    for (const ScanPort& port : ports) {
        where << (ScanSettingsFixedByServer(port)
                      ? PortText(port) + QCoreApplication::translate(
                                             "ModuleSearch", " (线路设置由服务器决定, 只尝试一次)")
                      : PortText(port));
    }
    QString text = QCoreApplication::translate(
                       "ModuleSearch",
                       "未找到模块。已尝试: %1; 波特率 2400 至 614400, 无校验、偶校验和奇校验, "
                       "数据位 8, 停止位 1 (共 %2 次)。")
                       .arg(where.join(QStringLiteral(", ")))
                       .arg(outcome.tries);
    for (const auto& unusable : outcome.unusable)
        text += QStringLiteral("\n%1: %2")
                    .arg(PortText(unusable.first), QString::fromStdString(unusable.second));
    return text;
}
