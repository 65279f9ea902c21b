#include "cquillonapp.h"

#include <utility>

#include "cquillondlg.h"

CQuillonApp::CQuillonApp(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

int CQuillonApp::InitInstance() {
    CQuillonDlg dialog(m_programFolder);
    dialog.exec();
    return 0;
}
