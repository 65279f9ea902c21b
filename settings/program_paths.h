#pragma once

#include <string>
#include <vector>

// Where a program keeps config.ini and finds its skins.
//
// Portable use: the program, its Styles/ and its config.ini share one folder
// (the build folder, or a copy on a stick). Installed use: the program lies
// in <prefix>/bin, the skins in <prefix>/share/quillon/Styles, and each user
// keeps config.ini in $XDG_CONFIG_HOME/quillon/ (by default
// ~/.config/quillon/), one file shared by both editions.
//
// Every folder given to or returned by these functions ends in '/'; an empty
// program folder means the program's folder is unknown.

// The environment the choice depends on; empty strings for unset variables.
struct PathEnvironment {
    std::string xdgConfigHome;
    std::string home;
    // Colon-separated, like $XDG_DATA_DIRS; empty means the XDG default
    // "/usr/local/share/:/usr/share/".
    std::string xdgDataDirs;
};

struct ConfigLocation {
    std::string path;      // full path of config.ini; empty when none can be named
    bool perUser = false;  // its folder is created (mode 0700) before the first write
};

struct ProgramPaths {
    ConfigLocation config;
    std::string skinFolder;  // where the skin files are looked for
};

// The process's own environment.
PathEnvironment CurrentPathEnvironment();

// config.ini stays beside the program when a config.ini is already there, or
// when the folder is writable and not part of an installed tree (a bin folder
// beside share/quillon/, where even root must not leave settings behind).
// Otherwise it is $XDG_CONFIG_HOME/quillon/config.ini when that variable
// holds an absolute path, else $HOME/.config/quillon/config.ini; with neither
// it stays beside the program (and writes fail there as they would anyway).
ConfigLocation ConfigPathFor(const std::string& programFolder, const PathEnvironment& env);

// Skin folders in the order they are tried: beside the program, the
// installed tree the program belongs to (<prefix>/share/quillon/Styles/),
// then quillon/Styles/ in each data folder of $XDG_DATA_DIRS.
std::vector<std::string> SkinFolderCandidates(const std::string& programFolder,
                                              const PathEnvironment& env);

// The first candidate that exists as a folder; the first candidate when none
// does (the skins then fail to load and the plain look stays).
std::string SkinFolderFor(const std::string& programFolder, const PathEnvironment& env);

// Both choices at once.
ProgramPaths ProgramPathsFor(const std::string& programFolder, const PathEnvironment& env);
