#include "cquillonapp.h"

#include <utility>

#include "cquillondlg.h"
#include "trace_option.h"
#include "wiretrace.h"

CQuillonApp::CQuillonApp(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

int CQuillonApp::InitInstance() {
    // Outlives the window, whose session reports to it.
    WireTrace trace;
    const bool tracing =
        StartTrace(&trace, QString::fromStdString(m_tracePath), QStringLiteral("Quillon_Simple"));
    CQuillonDlg dialog(m_programFolder);
    if (tracing) dialog.session()->AddObserver(&trace);
    dialog.exec();
    return 0;
}
