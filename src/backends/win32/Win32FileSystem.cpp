// SPDX-License-Identifier: MIT
// The file operations on the Windows file API. Paths are the program's UTF-8
// and reach the system as UTF-16, so that no folder name loses a character;
// a sync reaches the disk (FlushFileBuffers) and a replacing rename is
// written through before it returns.
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "backends/win32/Win32Text.h"
#include "platform/Windows.h"

namespace quarnel::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ERROR_DISK_QUOTA_EXCEEDED, which not every SDK names.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The <cerrno> value of a Windows error.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case kDiskQuotaExceeded:
            return ENOSPC;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return EINVAL;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EIO;
    }
}

int LastErrno() {
    const int error = ErrnoOf(GetLastError());
    return error != 0 ? error : EIO;
}

// Closes the handle when the scope ends.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

// Opens what path names, links followed, only to look at it.
HANDLE OpenToLookAt(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Writes all of size bytes unless the system refuses; written says how many.
int WriteAll(HANDLE file, const void* data, size_t size, size_t& written) {
    written = 0;
    const auto* bytes = static_cast<const char*>(data);
    while (written < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - written, 1u << 30));
        DWORD done = 0;
        if (!WriteFile(file, bytes + written, chunk, &done, nullptr)) return LastErrno();
        if (done == 0) return ENOSPC;
        written += done;
    }
    return 0;
}

class Win32File final : public BinaryFile {
  public:
    explicit Win32File(HANDLE file) : file_(file) {}
    ~Win32File() override { Close(); }

    int Write(const void* data, size_t size, size_t& written) override {
        if (file_ == INVALID_HANDLE_VALUE) return EBADF;
        return WriteAll(file_, data, size, written);
    }

    int Sync() override {
        if (file_ == INVALID_HANDLE_VALUE) return EBADF;
        return FlushFileBuffers(file_) ? 0 : LastErrno();
    }

    int Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return 0;
        const bool closed = CloseHandle(file_) != 0;
        file_ = INVALID_HANDLE_VALUE;
        return closed ? 0 : LastErrno();
    }

  private:
    HANDLE file_;
};

}  // namespace

FileKind KindOfPath(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::File;
    // A link: what it points to counts.
    const Handle target(OpenToLookAt(wide));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!target.Valid() || !GetFileInformationByHandle(target.Get(), &information))
        return FileKind::Missing;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder
                                                                          : FileKind::File;
}

std::string ResolveLink(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const Handle target(OpenToLookAt(wide));
    if (!target.Valid()) return path;
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(target.Get(), resolved.data(),
                                             static_cast<DWORD>(resolved.size()), 0);
    if (length >= resolved.size()) {
        resolved.assign(length + 1, L'\0');
        length = GetFinalPathNameByHandleW(target.Get(), resolved.data(),
                                           static_cast<DWORD>(resolved.size()), 0);
    }
    if (length == 0 || length >= resolved.size()) return path;
    resolved.resize(length);
    // "\\?\C:\..." to "C:\..."; a network path keeps its long form.
    if (resolved.starts_with(L"\\\\?\\") && resolved.size() > 6 && resolved[5] == L':')
        resolved.erase(0, 4);
    return Utf8FromWide(resolved);
}

int CheckWritable(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrno();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
    const Handle file(CreateFileW(wide.c_str(), FILE_WRITE_DATA, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() ? 0 : LastErrno();
}

// The folder takes the rights of its parent: below the user's profile no one
// else may read it.
int CreatePrivateFolder(const std::string& path) {
    return CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr) ? 0 : LastErrno();
}

// The new file takes the rights of its folder, as the file it replaces did.
std::unique_ptr<BinaryFile> CreateNewFile(const std::string& path, const std::string&, int& error) {
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = LastErrno();
        return nullptr;
    }
    error = 0;
    return std::make_unique<Win32File>(file);
}

// Written through: the call returns when the rename is on the disk.
int ReplaceByRename(const std::string& from, const std::string& to) {
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastErrno();
}

// Windows has no folder sync: the rename above is already written through.
int SyncFolder(const std::string&) {
    return 0;
}

std::FILE* OpenForReading(const std::string& path) {
    return _wfopen(WideFromUtf8(path).c_str(), L"rb");
}

int RemoveFile(const std::string& path) {
    return DeleteFileW(WideFromUtf8(path).c_str()) ? 0 : LastErrno();
}

// A handle with append access alone makes every write land at the end of the
// file as one piece, whoever else appends.
int AppendPrivate(const std::string& path, std::string_view bytes) {
    const std::wstring wide = WideFromUtf8(path);
    const Handle file(CreateFileW(
        wide.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return LastErrno();
    LARGE_INTEGER before{};
    const bool sized = GetFileSizeEx(file.Get(), &before) != 0;
    size_t written = 0;
    const int error = WriteAll(file.Get(), bytes.data(), bytes.size(), written);
    if (error != 0 && written > 0 && sized) {
        // A cut-short entry is taken back.
        const Handle truncate(CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (truncate.Valid() && SetFilePointerEx(truncate.Get(), before, nullptr, FILE_BEGIN))
            SetEndOfFile(truncate.Get());
    }
    return error;
}

bool IsDiskFullError(int error) {
    return error == ENOSPC;
}

std::tm LocalTime(std::time_t t) {
    std::tm parts{};
    return localtime_s(&parts, &t) == 0 ? parts : std::tm{};
}

}  // namespace quarnel::platform
