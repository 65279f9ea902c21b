#include "switch_coding.h"

namespace {
// Everything runs on the user-interface thread, so a plain integer will do.
int g_switchCodingMode = 0;
}  // namespace

int SwitchCodingMode() {
    return g_switchCodingMode;
}

void SetSwitchCodingMode(int mode) {
    g_switchCodingMode = mode;
}
