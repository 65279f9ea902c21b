#pragma once

#include <string>
#include <utility>

#include "ccontrolini.h"

// Application object of the simple edition: runs the main window modally
// (there is no reminder box) and ends when it closes.
class CQuillonApp {
public:
    explicit CQuillonApp(std::string programFolder = ExecutableFolder());

    // Every exchange is appended to this file (empty: none).
    void SetTracePath(std::string path) { m_tracePath = std::move(path); }

    // Returns the exit code of the program.
    int InitInstance();

private:
    std::string m_programFolder;
    std::string m_tracePath;
};
