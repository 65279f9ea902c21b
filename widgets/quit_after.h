#pragma once

// A test aid for checking a built or installed program without a user:
// "--quit-after MS" closes the modal window in front (a message box, then the
// main window) every MS milliseconds, as a click on its close box would, so
// the program saves its settings and ends by itself. Each close prints one
// line on standard output: the window's title and the skin file in force
// ("skin=" followed by nothing for the plain look).

// Looks for the option. *ms is 0 without it. False after printing the reason
// on standard error when the option is malformed. Needs no QApplication, so
// a mistyped option is reported even without a display.
bool ParseQuitAfter(int argc, char** argv, int* ms);

// Needs a QApplication; does nothing for 0.
void StartQuitAfter(int ms);
