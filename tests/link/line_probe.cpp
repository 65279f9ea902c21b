#include "line_probe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool ProbeLine(int fd, LineProbe* probe) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    probe->ispeed = tio.c_ispeed;
    probe->ospeed = tio.c_ospeed;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            probe->dataBits = 5;
            break;
        case CS6:
            probe->dataBits = 6;
            break;
        case CS7:
            probe->dataBits = 7;
            break;
        default:
            probe->dataBits = 8;
            break;
    }
    probe->parityOn = (tio.c_cflag & PARENB) != 0;
    probe->parityOdd = (tio.c_cflag & PARODD) != 0;
    probe->parityStick = (tio.c_cflag & CMSPAR) != 0;
    probe->twoStopBits = (tio.c_cflag & CSTOPB) != 0;
    probe->rtsCts = (tio.c_cflag & CRTSCTS) != 0;
    probe->xonXoff = (tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF) && tio.c_cc[VSTART] == 0x11 &&
                     tio.c_cc[VSTOP] == 0x13;
    probe->parityCheck = (tio.c_iflag & INPCK) != 0;
    probe->raw = (tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
                 (tio.c_oflag & OPOST) == 0 && (tio.c_iflag & (ICRNL | INLCR | IGNCR)) == 0;
    probe->receiverOn = (tio.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL);
    return true;
}
