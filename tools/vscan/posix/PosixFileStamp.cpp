// SPDX-License-Identifier: MIT
// Scanner file stamps from stat, and the folder from the environment.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "FileStamp.h"
#include "backends/linux/VirtualPorts.h"

namespace quarnel::vscan {

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FileStamp{
        static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
        static_cast<uint64_t>(info.st_size),
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::string VirtualFolder() {
    return platform::virtual_ports::FolderFromEnvironment();
}

std::string PortFile(const std::string& folder, const std::string& port) {
    return platform::virtual_ports::FileOfPort(folder, port);
}

bool MoveOver(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}

}  // namespace quarnel::vscan
