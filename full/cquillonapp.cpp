#include "cquillonapp.h"

#include <QString>

#include "ccontrolini.h"
#include "cquillondlg.h"
#include "messages.h"

CQuillonApp::CQuillonApp(std::string programFolder)
    : m_programFolder(programFolder.empty() ? ExecutableFolder() : std::move(programFolder)) {}

int CQuillonApp::Run() {
    // Shown at every start, before the window exists.
    ShowMessage(nullptr, QString::fromUtf8("请先阅读提供的用户手册及相关文档，再使用本模块！"));
    CQuillonDlg window(m_programFolder);
    window.exec();
    return 0;
}
