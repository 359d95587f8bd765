// SPDX-License-Identifier: MIT
#include "backends/linux/XdgFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace quarnel::platform {

bool MakeFolders(const std::string& path, mode_t mode) {
    struct stat info {};
    if (path.empty()) return false;
    if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    std::string parent = ParentFolder(path);
    if (!parent.empty() && parent != path && !MakeFolders(parent, mode)) return false;
    return mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

std::string ParentFolder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

namespace {

// Relative values are ignored, as the XDG base directory rules require.
std::string XdgHome(const char* variable, const char* belowHome) {
    const char* value = std::getenv(variable);
    std::string base;
    if (value != nullptr && value[0] == '/') {
        base = value;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + belowHome;
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

std::string ConfigHome() {
    return XdgHome("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome() {
    return XdgHome("XDG_DATA_HOME", "/.local/share");
}

}  // namespace quarnel::platform
