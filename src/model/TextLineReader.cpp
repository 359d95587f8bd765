#include "model/TextLineReader.h"

#include <algorithm>
#include <cerrno>

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
    return end_ > 0;
}

bool TextLineReader::ReadLine(std::string& line) {
    line.clear();
    tooLong_ = false;
    bool started = false;
    while (true) {
        if (pos_ == end_ && !Fill()) return started;
        if (skipLf_) {
            skipLf_ = false;
            if (chunk_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        started = true;
        const char* begin = chunk_.data() + pos_;
        const char* stop = chunk_.data() + end_;
        const char* lineEnd =
            std::find_if(begin, stop, [](char c) { return c == '\r' || c == '\n'; });
        size_t length = static_cast<size_t>(lineEnd - begin);
        size_t room = maxLineLength_ - line.size();
        if (length > room) tooLong_ = true;
        line.append(begin, std::min(length, room));
        pos_ += length;
        if (lineEnd != stop) {
            skipLf_ = *lineEnd == '\r';
            ++pos_;
            return true;
        }
    }
}

}  // namespace quarnel
