#pragma once

#include <string>

// The full edition's application object: the start-up reminder, then the
// main window, run modally until it closes.
class CQuillonApp {
public:
    // programFolder: where the program lies (program_paths.h says where
    // config.ini and Styles/ are found from there); empty means the folder of
    // the running executable.
    explicit CQuillonApp(std::string programFolder = std::string());

    // Needs a QApplication. Returns when the window has closed.
    int Run();

private:
    std::string m_programFolder;
};
