#pragma once

// The output rate the other side of a pseudo-terminal set, read on the
// master side (the kernel answers a master's TCGETS2 with the terminal's own
// settings). -1 when it cannot be read.
int PtyLineRate(int masterFd);
