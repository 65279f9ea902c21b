#include "module_search_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>

#include "combo_lists.h"
#include "iniportdirectory.h"
#include "messages.h"
#include "modulesession.h"
#include "moduleworker.h"
#include "port_numbers.h"
#include "portcombobox.h"
#include "search_ports.h"

namespace {

QString PortText(const ScanPort& port) {
    const QString path = QString::fromStdString(port.path);
    return port.number > 0 ? QStringLiteral("%1 (%2)").arg(port.number).arg(path) : path;
}

// What the progress line says of a try.
QString TryText(const ScanProgress& scanTry) {
    return QCoreApplication::translate("ModuleSearch", "正在搜索模块: %1, %2, %3")
        .arg(PortText(*scanTry.port))
        .arg(scanTry.settings.baud)
        .arg(QString::fromStdString(ScanFormatName(scanTry.settings)));
}

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

ScanOutcome SearchWithProgress(QWidget* parent, const std::vector<ScanPort>& ports, int echoMode,
                               ModuleWorker* worker,
                               const std::vector<ExchangeObserver*>& observers) {
    QProgressDialog dialog(QCoreApplication::translate("ModuleSearch", "正在搜索模块..."), QCoreApplication::translate("ModuleSearch", "取消"), 0,
                           static_cast<int>(ports.size() * ScanOrder().size()), parent);
    dialog.setWindowTitle(QCoreApplication::translate("ModuleSearch", "搜索模块"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    // The tries run on the worker; "取消" stops the search before the next.
    QObject::connect(worker, &ModuleWorker::stepStarted, &dialog,
                     [&dialog, worker](int done, int total, const QString& caption) {
                         // cancel() called directly sets only the flag.
                         if (dialog.wasCanceled()) worker->RequestCancel();
                         dialog.setMaximum(total);
                         if (!caption.isEmpty()) dialog.setLabelText(caption);
                         dialog.setValue(done);
                     });
    QObject::connect(&dialog, &QProgressDialog::canceled, worker, &ModuleWorker::RequestCancel);
    const ModuleWorker::Progress progress{
        QString(), [](const ProcedureStep& step) {
            return step.scanTry != nullptr ? TryText(*step.scanTry) : QString();
        }};
    // Shown at once; a modal dialog's setValue also lets an early "取消" in.
    dialog.setValue(0);
    ScanOutcome outcome;
    outcome.cancelled = true;
    if (dialog.wasCanceled()) return outcome;
    if (!worker->Run(
            [&](ProcedureHook* hook) {
                outcome = RunModuleSearch(ports, echoMode, hook, observers);
            },
            progress))
        outcome.cancelled = true;
    return outcome;
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

bool SearchFromPortList(QWidget* page, const PortComboBox* list, CControlIni* settings,
                        ModuleWorker* worker, const ModuleSession* session, ScanOutcome* outcome,
                        QString* text) {
    const std::vector<ScanPort> ports =
        PortsToSearch(SelectedNumber(list), settings, list->discoveryRoots());
    if (ports.empty()) {
        ShowMessage(page, QCoreApplication::translate("ModuleSearch", "没有可搜索的串口设备。"));
        return false;
    }
    if (worker == nullptr) return false;
    *outcome = SearchWithProgress(
        page, ports, EchoModeSetting(settings), worker,
        session != nullptr ? session->observers() : std::vector<ExchangeObserver*>());
    if (outcome->cancelled) return false;
    *text = ModuleSearchResultText(*outcome, ports);
    return true;
}
