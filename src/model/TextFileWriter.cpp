// SPDX-License-Identifier: MIT
#include "model/TextFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"

namespace quarnel {

namespace {

constexpr size_t kFlushSize = 64 * 1024;
// Room left in a file name for the temporary file's prefix and suffix.
constexpr size_t kMaxTempBaseName = 200;

TextFileWriter::SystemCalls DefaultCalls() {
    return {::write, ::rename};
}

TextFileWriter::SystemCalls& Calls() {
    static TextFileWriter::SystemCalls calls = DefaultCalls();
    return calls;
}

// A hidden name in the target's folder, unique within this process.
std::string TempName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.size() > kMaxTempBaseName) base.resize(kMaxTempBaseName);
    return folder + "." + base + "." + std::to_string(::getpid()) + "-" +
           std::to_string(counter++) + ".tmp";
}

// A link stays a link: the file it points to is the one replaced.
std::string Target(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         std::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

TextFileWriter::TextFileWriter(const std::string& path, bool durable)
    : path_(Target(path)), durable_(durable) {
    struct stat existing {};
    const bool replacing = ::stat(path_.c_str(), &existing) == 0;
    if (replacing) {
        if (S_ISDIR(existing.st_mode)) throw ErrorFromErrno(EISDIR);
        // Renaming would replace a file that may not be written.
        if (::access(path_.c_str(), W_OK) != 0) throw ErrorFromErrno(errno);
    }
    // A name left behind by a process with the same id is skipped.
    for (int attempt = 0; fd_ < 0; ++attempt) {
        tempPath_ = TempName(path_);
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) throw ErrorFromErrno(errno);
    }
    if (replacing) ::fchmod(fd_, existing.st_mode & 07777);
    buffer_.reserve(kFlushSize + 256);
}

TextFileWriter::~TextFileWriter() {
    Discard();
}

void TextFileWriter::Discard() noexcept {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.c_str());
}

void TextFileWriter::Write(std::string_view text) {
    // Most text is ASCII, which is the same in both encodings.
    if (IsAscii(text)) {
        WriteBytes(text);
    } else {
        WriteBytes(Utf8ToAnsi(text));
    }
}

void TextFileWriter::WriteBytes(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushSize) Flush();
}

void TextFileWriter::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t written = Calls().write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw ErrorFromErrno(written == 0 ? ENOSPC : errno);
        done += static_cast<size_t>(written);
    }
    buffer_.clear();
}

void TextFileWriter::Close() {
    if (fd_ < 0) RaiseError(ErrNo::InvalidProcedureCall);
    Flush();
    const int fd = fd_;
    fd_ = -1;
    // Some file systems report a full disk only here.
    const bool synced = !durable_ || ::fsync(fd) == 0;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced) {
        const int error = synced ? errno : syncError;
        ::unlink(tempPath_.c_str());
        throw ErrorFromErrno(error);
    }
    if (Calls().rename(tempPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(tempPath_.c_str());
        throw ErrorFromErrno(error);
    }
    if (durable_) SyncFolder();
}

// The rename reaches the disk with the folder's own entry list. A target
// that may be lost with the power is no durable file: it is taken back.
void TextFileWriter::SyncFolder() {
    const size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // EINVAL: a file system whose folders need no syncing.
    if (fd >= 0 && (::fsync(fd) == 0 || errno == EINVAL)) {
        ::close(fd);
        return;
    }
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(path_.c_str());
    throw ErrorFromErrno(error);
}

TextFileWriter::ScopedSystemCalls::ScopedSystemCalls(SystemCalls calls) : previous_(Calls()) {
    if (!calls.write) calls.write = previous_.write;
    if (!calls.rename) calls.rename = previous_.rename;
    Calls() = std::move(calls);
}

TextFileWriter::ScopedSystemCalls::~ScopedSystemCalls() {
    Calls() = std::move(previous_);
}

}  // namespace quarnel
