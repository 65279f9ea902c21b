#pragma once

#include <string>
#include <utility>

// The full edition's application object: the start-up reminder, then the
// main window, run modally until it closes.
class CQuillonApp {
public:
    // programFolder: where the program lies (program_paths.h says where
    // config.ini and Styles/ are found from there); empty means the folder of
    // the running executable.
    explicit CQuillonApp(std::string programFolder = std::string());

    // Every exchange is appended to this file (empty: none).
    void SetTracePath(std::string path) { m_tracePath = std::move(path); }

    // Needs a QApplication. Returns when the window has closed.
    int Run();

private:
    std::string m_programFolder;
    std::string m_tracePath;
};
