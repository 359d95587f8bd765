// SPDX-License-Identifier: MIT
// The file operations on POSIX: descriptors closed on exec, mode bits, links.
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quarnel::platform {

namespace {

class PosixFile final : public BinaryFile {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { Close(); }

    int Write(const void* data, size_t size, size_t& written) override {
        written = 0;
        while (true) {
            const ssize_t result = ::write(fd_, data, size);
            if (result >= 0) {
                written = static_cast<size_t>(result);
                return 0;
            }
            if (errno != EINTR) return errno;
        }
    }

    int Sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }

    int Close() override {
        if (fd_ < 0) return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

}  // namespace

FileKind KindOfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FileKind::Missing;
    return S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::File;
}

std::string ResolveLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

int CheckWritable(const std::string& path) {
    if (KindOfPath(path) == FileKind::Folder) return EISDIR;
    return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

int CreatePrivateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 ? 0 : errno;
}

std::unique_ptr<BinaryFile> CreateNewFile(const std::string& path, const std::string& permissionsOf,
                                          int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat existing {};
    if (!permissionsOf.empty() && ::stat(permissionsOf.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    error = 0;
    return std::make_unique<PosixFile>(fd);
}

int ReplaceByRename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    // EINVAL: a file system whose folders need no syncing.
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rbe");
}

int RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int AppendPrivate(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    int error = written < 0 ? errno : 0;
    if (written >= 0 && static_cast<size_t>(written) < bytes.size()) {
        error = ENOSPC;
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        if (written > 0 && end >= written) (void)!::ftruncate(fd, end - written);
    }
    ::close(fd);
    return error;
}

bool IsDiskFullError(int error) {
    return error == ENOSPC || error == EDQUOT;
}

std::tm LocalTime(std::time_t t) {
    std::tm parts{};
    ::localtime_r(&t, &parts);
    return parts;
}

}  // namespace quarnel::platform
