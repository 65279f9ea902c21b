#include "module_search_dialog.h"

#include <sys/stat.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>

#include "cserialport.h"
#include "line_address.h"
#include "modulesession.h"
#include "port_numbers.h"
#include "serialscanline.h"

namespace {

QString PortText(const ScanPort& port) {
    const QString path = QString::fromStdString(port.path);
    return port.number > 0 ? QStringLiteral("%1 (%2)").arg(port.number).arg(path) : path;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<ScanPort> SearchPortsFor(int selectedNumber, CControlIni* settings,
                                     const DiscoveryRoots& roots) {
    const PortNumberMap map = RefreshPortNumbers(settings, roots);
    std::vector<ScanPort> ports;
    int selectedDevice = -1;
    if (selectedNumber >= 1 && selectedNumber <= kPortNumberCount) {
        // As the open button opens it.
        const std::string& path = map.paths[selectedNumber - 1];
        selectedDevice = map.deviceOf[selectedNumber - 1];
        if (IsNetworkLine(path) || Exists(path)) ports.push_back({path, selectedNumber});
    }
    for (size_t d = 0; d < map.devices.size(); ++d) {
        if (static_cast<int>(d) == selectedDevice) continue;
        int number = 0;
        for (int n = kPortNumberCount; n >= 1; --n)
            if (map.deviceOf[n - 1] == static_cast<int>(d)) number = n;
        ports.push_back({HostDevicePath(roots, map.devices[d].devicePath), number});
    }
    return ports;
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
            return QStringLiteral("奇校验");
        case 2:
            return QStringLiteral("偶校验");
        default:
            return QStringLiteral("无校验");
    }
}

ScanOutcome RunModuleSearch(QWidget* parent, const std::vector<ScanPort>& ports, int echoMode) {
    QProgressDialog dialog(QStringLiteral("正在搜索模块..."), QStringLiteral("取消"), 0,
                           static_cast<int>(ports.size() * ScanOrder().size()), parent);
    dialog.setWindowTitle(QStringLiteral("搜索模块"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);

    CSerialPort port;
    port.SetEchoMode(static_cast<CSerialPort::EchoMode>(echoMode));
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
    if (outcome.found && outcome.settingsFromServer) {
        return QStringLiteral("找到模块: 串口 %1。线路设置由服务器决定, 不由本程序设置。")
            .arg(PortText(outcome.port));
    }
    if (outcome.found) {
        return QStringLiteral("找到模块: 串口 %1, 波特率 %2, 数据位 8, %3, 停止位 1。")
            .arg(PortText(outcome.port))
            .arg(outcome.settings.baud)
            .arg(ParityItemText(outcome.settings.parity));
    }
    QStringList where;
    for (const ScanPort& port : ports) {
        where << (ScanSettingsFixedByServer(port)
                      ? PortText(port) + QStringLiteral(" (线路设置由服务器决定, 只尝试一次)")
                      : PortText(port));
    }
    QString text = QStringLiteral(
                       "未找到模块。已尝试: %1; 波特率 2400 至 614400, 无校验、偶校验和奇校验, "
                       "数据位 8, 停止位 1 (共 %2 次)。")
                       .arg(where.join(QStringLiteral(", ")))
                       .arg(outcome.tries);
    for (const auto& unusable : outcome.unusable)
        text += QStringLiteral("\n%1: %2")
                    .arg(PortText(unusable.first), QString::fromStdString(unusable.second));
    return text;
}
