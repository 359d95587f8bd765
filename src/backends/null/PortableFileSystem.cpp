// SPDX-License-Identifier: MIT
// The file operations with the standard library alone, so that the program's
// files work on any system. Permissions are as fine as std::filesystem makes
// them (on Windows: read-only or not).
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace quarnel::platform {

namespace {

namespace fs = std::filesystem;

// The <cerrno> value of a standard library failure.
int ErrnoOf(const std::error_code& code) {
    const std::error_condition condition = code.default_error_condition();
    return condition.category() == std::generic_category() ? condition.value() : EIO;
}

class StdioFile final : public BinaryFile {
  public:
    explicit StdioFile(std::FILE* file) : file_(file) {}
    ~StdioFile() override { Close(); }

    // Unbuffered, so that each call reaches the system as one write.
    int Write(const void* data, size_t size, size_t& written) override {
        errno = 0;
        written = std::fwrite(data, 1, size, file_);
        if (written == size) return 0;
        return errno != 0 ? errno : ENOSPC;
    }

    // The standard library reaches no further than the system's buffers.
    int Sync() override { return std::fflush(file_) == 0 ? 0 : (errno != 0 ? errno : EIO); }

    int Close() override {
        if (file_ == nullptr) return 0;
        errno = 0;
        const int result = std::fclose(file_);
        file_ = nullptr;
        return result == 0 ? 0 : (errno != 0 ? errno : EIO);
    }

  private:
    std::FILE* file_;
};

}  // namespace

FileKind KindOfPath(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) return FileKind::Missing;
    return fs::is_directory(status) ? FileKind::Folder : FileKind::File;
}

std::string ResolveLink(const std::string& path) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::canonical(path, error);
    return error ? path : target.string();
}

int CheckWritable(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) return ErrnoOf(error);
    if (fs::is_directory(status)) return EISDIR;
    return (status.permissions() & fs::perms::owner_write) != fs::perms::none ? 0 : EACCES;
}

int CreatePrivateFolder(const std::string& path) {
    std::error_code error;
    if (!fs::create_directory(path, error)) return error ? ErrnoOf(error) : EEXIST;
    fs::permissions(path, fs::perms::owner_all, error);
    return 0;
}

std::unique_ptr<BinaryFile> CreateNewFile(const std::string& path, const std::string& permissionsOf,
                                          int& error) {
    std::error_code code;
    if (fs::exists(fs::symlink_status(path, code))) {
        error = EEXIST;
        return nullptr;
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = errno != 0 ? errno : EACCES;
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (!permissionsOf.empty()) {
        const fs::file_status existing = fs::status(permissionsOf, code);
        if (!code) fs::permissions(path, existing.permissions(), code);
    }
    error = 0;
    return std::make_unique<StdioFile>(file);
}

int ReplaceByRename(const std::string& from, const std::string& to) {
    // Replaces an existing file on every system, Windows included.
    std::error_code error;
    fs::rename(from, to, error);
    return error ? ErrnoOf(error) : 0;
}

// The standard library has no way to sync a folder.
int SyncFolder(const std::string&) {
    return 0;
}

std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

int RemoveFile(const std::string& path) {
    std::error_code error;
    if (!fs::remove(path, error)) return error ? ErrnoOf(error) : ENOENT;
    return 0;
}

int AppendPrivate(const std::string& path, std::string_view bytes) {
    std::error_code code;
    const bool isNew = !fs::exists(fs::status(path, code));
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return errno != 0 ? errno : EACCES;
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (isNew) {
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, code);
    }
    const uintmax_t before = fs::file_size(path, code);
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = std::fclose(file) == 0 && written == bytes.size() ? 0 : ENOSPC;
    if (error != 0 && before != static_cast<uintmax_t>(-1)) fs::resize_file(path, before, code);
    return error;
}

bool IsDiskFullError(int error) {
    return error == ENOSPC;
}

std::tm LocalTime(std::time_t t) {
    // std::localtime shares one result between threads on some systems.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const std::tm* parts = std::localtime(&t);
    return parts != nullptr ? *parts : std::tm{};
}

}  // namespace quarnel::platform
