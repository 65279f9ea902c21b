#pragma once

#include <string>

#include "ccontrolini.h"

// Application object of the simple edition: runs the main window modally
// (there is no reminder box) and ends when it closes.
class CQuillonApp {
public:
    explicit CQuillonApp(std::string programFolder = ExecutableFolder());

    // Returns the exit code of the program.
    int InitInstance();

private:
    std::string m_programFolder;
};
