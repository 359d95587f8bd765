#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/ErrorInfo.h"

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
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/" + kAppTitle;
}

std::string ExecutablePath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

}  // namespace quarnel::platform
