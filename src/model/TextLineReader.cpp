#include "model/TextLineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/ErrorInfo.h"

namespace quarnel {

namespace {

constexpr size_t kChunkSize = 64 * 1024;

}  // namespace

TextLineReader::TextLineReader(const std::string& path, size_t maxLineLength)
    : maxLineLength_(maxLineLength), chunk_(kChunkSize) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        if (errno == ENOENT) RaiseError(ErrNo::FileNotFound);
        throw ErrorFromErrno(errno);
    }
}

TextLineReader::~TextLineReader() {
    std::fclose(file_);
}

bool TextLineReader::Fill() {
    pos_ = 0;
    end_ = std::fread(chunk_.data(), 1, chunk_.size(), file_);
    if (end_ == 0 && std::ferror(file_)) throw ErrorFromErrno(errno);
    nextCr_ = -1;
    nextLf_ = -1;
    return end_ > 0;
}

size_t TextLineReader::FindLineEnd() {
    // Each kind of line end is searched with memchr and the hit kept, so
    // that every byte is scanned at most once per kind even in a file
    // that uses only one of them.
    const auto pos = static_cast<std::ptrdiff_t>(pos_);
    if (nextCr_ < pos) nextCr_ = Find('\r');
    if (nextLf_ < pos) nextLf_ = Find('\n');
    return static_cast<size_t>(std::min(nextCr_, nextLf_));
}

std::ptrdiff_t TextLineReader::Find(char c) const {
    const void* hit = std::memchr(chunk_.data() + pos_, c, end_ - pos_);
    const size_t at =
        hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - chunk_.data()) : end_;
    return static_cast<std::ptrdiff_t>(at);
}

void TextLineReader::Carry(const char* begin, size_t length) {
    const size_t room = maxLineLength_ - carry_.size();
    if (length > room) tooLong_ = true;
    carry_.append(begin, std::min(length, room));
}

bool TextLineReader::ReadLine(std::string_view& line) {
    carry_.clear();
    tooLong_ = false;
    bool started = false;
    while (true) {
        if (pos_ == end_ && !Fill()) {
            line = carry_;
            return started;
        }
        if (skipLf_) {
            skipLf_ = false;
            if (chunk_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        started = true;
        const char* begin = chunk_.data() + pos_;
        const size_t lineEnd = FindLineEnd();
        const size_t length = lineEnd - pos_;
        pos_ = lineEnd;
        if (lineEnd == end_) {
            Carry(begin, length);
            continue;
        }
        skipLf_ = chunk_[lineEnd] == '\r';
        ++pos_;
        if (carry_.empty() && length <= maxLineLength_) {
            // The whole line lies in this chunk: hand it out in place.
            line = std::string_view(begin, length);
        } else {
            Carry(begin, length);
            line = carry_;
        }
        return true;
    }
}

}  // namespace quarnel
