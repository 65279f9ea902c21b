#pragma once

// A test aid for checking a built or installed program without a user:
// "--quit-after MS" closes the modal window in front (a message box, then the
// main window) every MS milliseconds, as a click on its close box would, so
// the program saves its settings and ends by itself. Each close prints one
// line on standard output: the window's title and the skin file in force
// ("skin=" followed by nothing for the plain look).
//
// Needs a QApplication. Returns false after printing the reason on standard
// error when the option is malformed; without the option it does nothing.
bool StartQuitAfter(int argc, char** argv);
