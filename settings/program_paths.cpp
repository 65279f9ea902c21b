#include "program_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

const char* const kConfigName = "config.ini";
const char* const kDefaultDataDirs = "/usr/local/share/:/usr/share/";

std::string WithSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + '/';
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : std::string();
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Anything at that name counts, a dangling link included: the user put it there.
bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// "/opt/x/bin/" gives "/opt/x/"; empty for the root folder or a relative name
// without a parent.
std::string ParentFolder(const std::string& folder) {
    if (folder.size() < 2) return std::string();
    const size_t slash = folder.rfind('/', folder.size() - 2);
    if (slash == std::string::npos) return std::string();
    return folder.substr(0, slash + 1);
}

// A bin folder whose parent holds share/quillon/ belongs to an installed tree
// (/usr, /usr/local, a package unpacked somewhere), not to a portable copy.
bool IsInstalledTree(const std::string& folder) {
    const std::string parent = ParentFolder(folder);
    return !parent.empty() && IsFolder(parent + "share/quillon");
}

}  // namespace

PathEnvironment CurrentPathEnvironment() {
    PathEnvironment env;
    env.xdgConfigHome = Variable("XDG_CONFIG_HOME");
    env.home = Variable("HOME");
    env.xdgDataDirs = Variable("XDG_DATA_DIRS");
    return env;
}

ConfigLocation ConfigPathFor(const std::string& programFolder, const PathEnvironment& env) {
    const std::string folder = WithSlash(programFolder);
    const ConfigLocation beside{folder + kConfigName, false};
    if (!folder.empty()) {
        if (Exists(beside.path)) return beside;
        if (!IsInstalledTree(folder) && access(folder.c_str(), W_OK) == 0) return beside;
    }
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules require.
    if (!env.xdgConfigHome.empty() && env.xdgConfigHome[0] == '/')
        return {WithSlash(env.xdgConfigHome) + "quillon/" + kConfigName, true};
    if (!env.home.empty() && env.home[0] == '/')
        return {WithSlash(env.home) + ".config/quillon/" + kConfigName, true};
    return beside;
}

std::vector<std::string> SkinFolderCandidates(const std::string& programFolder,
                                              const PathEnvironment& env) {
    std::vector<std::string> folders;
    const std::string folder = WithSlash(programFolder);
    if (!folder.empty()) {
        folders.push_back(folder + "Styles/");
        const std::string parent = ParentFolder(folder);
        if (!parent.empty()) folders.push_back(parent + "share/quillon/Styles/");
    }
    const std::string dataDirs = env.xdgDataDirs.empty() ? kDefaultDataDirs : env.xdgDataDirs;
    size_t begin = 0;
    while (begin <= dataDirs.size()) {
        size_t end = dataDirs.find(':', begin);
        if (end == std::string::npos) end = dataDirs.size();
        const std::string dir = dataDirs.substr(begin, end - begin);
        // Relative entries are invalid; a folder listed twice is tried once.
        if (!dir.empty() && dir[0] == '/') {
            const std::string candidate = WithSlash(dir) + "quillon/Styles/";
            bool known = false;
            for (const std::string& f : folders) known = known || f == candidate;
            if (!known) folders.push_back(candidate);
        }
        begin = end + 1;
    }
    return folders;
}

std::string SkinFolderFor(const std::string& programFolder, const PathEnvironment& env) {
    const std::vector<std::string> folders = SkinFolderCandidates(programFolder, env);
    for (const std::string& folder : folders) {
        if (IsFolder(folder)) return folder;
    }
    return folders.empty() ? std::string() : folders.front();
}

ProgramPaths ProgramPathsFor(const std::string& programFolder, const PathEnvironment& env) {
    return {ConfigPathFor(programFolder, env), SkinFolderFor(programFolder, env)};
}
