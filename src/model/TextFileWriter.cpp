#include "model/TextFileWriter.h"

#include <cerrno>

#include "app/Ansi.h"
#include "app/ErrorInfo.h"

namespace quarnel {

namespace {

constexpr size_t kFlushSize = 64 * 1024;

}  // namespace

TextFileWriter::TextFileWriter(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) throw ErrorFromErrno(errno);
    buffer_.reserve(kFlushSize + 256);
}

TextFileWriter::~TextFileWriter() {
    if (file_ == nullptr) return;
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    std::fclose(file_);
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
    if (buffer_.empty()) return;
    size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    if (written != buffer_.size() || std::fflush(file_) != 0) {
        int error = errno;
        buffer_.erase(0, written);
        throw ErrorFromErrno(error);
    }
    buffer_.clear();
}

void TextFileWriter::Close() {
    Flush();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) throw ErrorFromErrno(errno);
}

}  // namespace quarnel
