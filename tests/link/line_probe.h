#pragma once

#include <cstdint>

// What the driver holds for a terminal, read with TCGETS2 (the tests must
// not mix the kernel's termios2 with <termios.h>, so it lives in its own file).
struct LineProbe {
    uint32_t ispeed = 0;
    uint32_t ospeed = 0;
    int dataBits = 0;
    bool parityOn = false;
    bool parityOdd = false;
    bool parityStick = false;  // mark/space
    bool twoStopBits = false;
    bool rtsCts = false;
    bool xonXoff = false;
    bool parityCheck = false;  // INPCK
    bool raw = false;          // no canonical mode, echo, signals, output processing
    bool receiverOn = false;   // CREAD | CLOCAL
};

bool ProbeLine(int fd, LineProbe* probe);
