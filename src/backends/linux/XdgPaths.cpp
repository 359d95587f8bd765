// SPDX-License-Identifier: MIT
#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "backends/linux/XdgFolders.h"
#include "base/ErrorInfo.h"

namespace quarnel::platform {

PathStyle NativePathStyle() {
    return PathStyle::Posix;
}

char PathSeparator() {
    return '/';
}

// $XDG_DATA_HOME/Quarnel, by default ~/.local/share/Quarnel: an installed
// program's own folder is not writable, so user data lives here.
std::string ApplicationFolder() {
    return DataHome() + "/" + kAppTitle;
}

bool EnsureApplicationFolder() {
    const std::string folder = ApplicationFolder();
    if (!MakeFolders(folder, 0700)) return false;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return false;
    if ((info.st_mode & 077) != 0 && info.st_uid == ::geteuid()) {
        ::chmod(folder.c_str(), info.st_mode & 07700);
    }
    return true;
}

std::string ExecutablePath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

}  // namespace quarnel::platform
