// SPDX-License-Identifier: MIT
#include "model/TextFileWriter.h"

#include <atomic>
#include <cerrno>
#include <random>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace quarnel {

namespace {

constexpr size_t kFlushSize = 64 * 1024;
// Room left in a file name for the temporary file's prefix and suffix.
constexpr size_t kMaxTempBaseName = 200;

TextFileWriter::SystemCalls DefaultCalls() {
    return {[](platform::BinaryFile& file, const void* data, size_t size, size_t& written) {
                return file.Write(data, size, written);
            },
            platform::ReplaceByRename};
}

TextFileWriter::SystemCalls& Calls() {
    static TextFileWriter::SystemCalls calls = DefaultCalls();
    return calls;
}

// Where the name of a path starts: after its last separator ("/" also
// separates on Windows).
size_t NameStart(const std::string& path) {
    const char* separators =
        platform::NativePathStyle() == platform::PathStyle::Windows ? "/\\" : "/";
    const size_t separator = path.find_last_of(separators);
    return separator == std::string::npos ? 0 : separator + 1;
}

// A hidden name in the target's folder: a number drawn once per process
// keeps processes apart, a counter the files of one process.
std::string TempName(const std::string& path) {
    static const unsigned process = std::random_device{}();
    static std::atomic<unsigned> counter{0};
    const size_t nameStart = NameStart(path);
    std::string base = path.substr(nameStart);
    if (base.size() > kMaxTempBaseName) base.resize(kMaxTempBaseName);
    return path.substr(0, nameStart) + "." + base + "." + std::to_string(process) + "-" +
           std::to_string(counter++) + ".tmp";
}

}  // namespace

TextFileWriter::TextFileWriter(const std::string& path, bool durable)
    : path_(platform::ResolveLink(path)), durable_(durable) {
    const bool replacing = platform::KindOfPath(path_) != platform::FileKind::Missing;
    // Renaming would replace a file that may not be written.
    if (replacing) {
        if (const int error = platform::CheckWritable(path_)) throw ErrorFromErrno(error);
    }
    // A name left behind by another process is skipped.
    for (int attempt = 0; !file_; ++attempt) {
        tempPath_ = TempName(path_);
        int error = 0;
        file_ = platform::CreateNewFile(tempPath_, replacing ? path_ : std::string(), error);
        if (!file_ && (error != EEXIST || attempt == 100)) throw ErrorFromErrno(error);
    }
    buffer_.reserve(kFlushSize + 256);
}

TextFileWriter::~TextFileWriter() {
    Discard();
}

void TextFileWriter::Discard() noexcept {
    if (!file_) return;
    file_.reset();
    platform::RemoveFile(tempPath_);
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
        size_t written = 0;
        const int error =
            Calls().write(*file_, buffer_.data() + done, buffer_.size() - done, written);
        if (error != 0) throw ErrorFromErrno(error);
        if (written == 0) throw ErrorFromErrno(ENOSPC);
        done += written;
    }
    buffer_.clear();
}

void TextFileWriter::Close() {
    if (!file_) RaiseError(ErrNo::InvalidProcedureCall);
    Flush();
    // Some file systems report a full disk only at the sync or the close.
    int error = durable_ ? file_->Sync() : 0;
    const int closeError = file_->Close();
    if (error == 0) error = closeError;
    file_.reset();
    if (error == 0) error = Calls().rename(tempPath_, path_);
    if (error != 0) {
        platform::RemoveFile(tempPath_);
        throw ErrorFromErrno(error);
    }
    if (durable_) SyncFolder();
}

// The rename reaches the disk with the folder's own entry list. A target
// that may be lost with the power is no durable file: it is taken back.
void TextFileWriter::SyncFolder() {
    const size_t nameStart = NameStart(path_);
    const std::string folder = nameStart == 0 ? "." : path_.substr(0, nameStart);
    if (const int error = platform::SyncFolder(folder)) {
        platform::RemoveFile(path_);
        throw ErrorFromErrno(error);
    }
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
