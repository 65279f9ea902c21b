#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ccontrolini.h"
#include "modulesimulator.h"
#include "tempdir.h"

// The program folder of a documentation screenshot: the skins beside the
// program, port 1 leading to the simulator at 115200 baud, and none of the
// machine's own serial devices in the port lists.
inline void PrepareScreenshotFolder(const TempDir& folder, const ModuleSimulator& sim) {
    setenv("QUILLON_DEV_ROOT", "/nonexistent/dev", 1);
    setenv("QUILLON_SYSFS_ROOT", "/nonexistent/sys", 1);
    const std::string copy = "cp -r '" QUILLON_STYLES_DIR "' '" + folder.path() + "/'";
    if (std::system(copy.c_str()) != 0) std::fprintf(stderr, "no skins: the plain look only\n");
    CControlIni ini;
    ini.SetPath(folder.file("config.ini"));
    ini.WriteString("ports", "com1", sim.DevicePath());
    ini.WriteInt("com", "baudrate", 6);
}
