#include "cquillonapp.h"

#include <QCoreApplication>
#include <QString>

#include "ccontrolini.h"
#include "cquillondlg.h"
#include "messages.h"
#include "trace_option.h"
#include "wiretrace.h"

CQuillonApp::CQuillonApp(std::string programFolder)
    : m_programFolder(programFolder.empty() ? ExecutableFolder() : std::move(programFolder)) {}

int CQuillonApp::Run() {
    // Shown at every start, before the window exists.
    ShowMessage(nullptr, QCoreApplication::translate(
                             "CQuillonApp", "请先阅读提供的用户手册及相关文档，再使用本模块！"));
    // Outlives the window, whose session reports to it.
    WireTrace trace;
    const bool tracing =
        StartTrace(&trace, QString::fromStdString(m_tracePath), QStringLiteral("Quillon"));
    CQuillonDlg window(m_programFolder);
    if (tracing) window.session().AddObserver(&trace);
    window.exec();
    return 0;
}
