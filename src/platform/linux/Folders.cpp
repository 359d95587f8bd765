#include "platform/linux/Folders.h"

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

std::string ConfigHome() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (configHome != nullptr && configHome[0] == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace quarnel::platform
