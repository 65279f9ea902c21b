#include "pty_line.h"

// termios2 comes from the kernel headers, which clash with <termios.h>; this
// file keeps them apart from the simulator.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int PtyLineRate(int masterFd) {
    struct termios2 tio {};
    if (ioctl(masterFd, TCGETS2, &tio) != 0) return -1;
    return static_cast<int>(tio.c_ospeed);
}
