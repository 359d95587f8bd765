// SPDX-License-Identifier: MIT
#include "backends/linux/PosixAtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quarnel::platform {

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// The rename reaches the disk with the folder's own entry list.
void SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

int ReplaceFile(const std::string& path, std::string_view content, mode_t mode,
                const BeforeReplace& beforeReplace) {
    const std::string folder = FolderOf(path);
    std::string temp = folder + "/.quarnel-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    bool written = WriteAll(fd, content) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) {
        if (beforeReplace) beforeReplace();
        if (rename(temp.c_str(), path.c_str()) == 0) {
            SyncFolder(folder);
            return 0;
        }
        error = errno;
    }
    unlink(temp.c_str());
    return error != 0 ? error : EIO;
}

}  // namespace quarnel::platform
