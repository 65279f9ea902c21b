#pragma once

#include <QDir>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ccontrolini.h"
#include "modulesimulator.h"
#include "program_language.h"
#include "tempdir.h"

// `program <output folder> [en]`: sets the language, makes the folder and
// gives the start of every picture's path, "<folder>/quillon-" or, in
// English, "<folder>/quillon-en-". False (usage told) without a folder.
inline bool TakeScreenshotArguments(int argc, char** argv, const char* program, QString* prefix) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [en]\n", program);
        return false;
    }
    const bool english = argc > 2 && std::string(argv[2]) == "en";
    ApplyProgramLanguage(english ? TextLanguage::English : TextLanguage::Chinese);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    *prefix = folder + (english ? QStringLiteral("/quillon-en-") : QStringLiteral("/quillon-"));
    return true;
}

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
