// SPDX-License-Identifier: MIT
#include "model/TextLineReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "base/ErrorInfo.h"
#include "base/Utf8Path.h"
#include "platform/FileSystem.h"

namespace quarnel {

namespace {

constexpr size_t kChunkSize = 64 * 1024;

// The first CR or LF in [p, stop), or stop. Lines are short, so eight bytes
// are tested at a time: a byte equal to c turns into a zero byte of w ^ c,
// and the lowest zero byte of a word is found exactly by the borrow test.
const char* FindLineEnd(const char* p, const char* stop) {
    constexpr uint64_t kOnes = 0x0101010101010101;
    constexpr uint64_t kHighBits = 0x8080808080808080;
    if constexpr (std::endian::native == std::endian::little) {
        for (; stop - p >= 8; p += 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            const uint64_t cr = word ^ (kOnes * '\r');
            const uint64_t lf = word ^ (kOnes * '\n');
            const uint64_t hit = (((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighBits;
            if (hit != 0) return p + std::countr_zero(hit) / 8;
        }
    }
    while (p != stop && *p != '\r' && *p != '\n') ++p;
    return p;
}

}  // namespace

TextLineReader::TextLineReader(const std::string& path, size_t maxLineLength)
    : maxLineLength_(maxLineLength), chunk_(kChunkSize) {
    // Some systems open a folder and fail at the read, others fail at once.
    if (platform::KindOfPath(path) == platform::FileKind::Folder) throw ErrorFromErrno(EISDIR);
    file_ = platform::OpenForReading(path);
    if (file_ == nullptr) {
        if (errno == ENOENT) RaiseError(ErrNo::FileNotFound);
        throw ErrorFromErrno(errno);
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), error);
    if (!error && size > 0) fileSize_ = static_cast<size_t>(size);
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

void TextLineReader::Carry(const char* begin, size_t length) {
    const size_t room = maxLineLength_ - carry_.size();
    if (length > room) tooLong_ = true;
    carry_.append(begin, std::min(length, room));
}

inline void TextLineReader::PassLineEnd(const char* lineEnd) {
    pos_ = static_cast<size_t>(lineEnd - chunk_.data()) + 1;
    if (*lineEnd != '\r') return;
    // Take the LF of a CR LF now when it is in this chunk.
    if (pos_ == end_) {
        skipLf_ = true;
    } else if (chunk_[pos_] == '\n') {
        ++pos_;
    }
}

bool TextLineReader::ReadLine(std::string_view& line) {
    tooLong_ = false;
    // Most lines start and end inside the chunk and are handed out in place.
    if (pos_ != end_ && !skipLf_) {
        const char* begin = chunk_.data() + pos_;
        const char* lineEnd = FindLineEnd(begin, chunk_.data() + end_);
        const auto length = static_cast<size_t>(lineEnd - begin);
        if (lineEnd != chunk_.data() + end_ && length <= maxLineLength_) {
            PassLineEnd(lineEnd);
            line = std::string_view(begin, length);
            return true;
        }
    }
    return ReadLineAcrossChunks(line);
}

bool TextLineReader::ReadLineAcrossChunks(std::string_view& line) {
    carry_.clear();
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
        const char* stop = chunk_.data() + end_;
        const char* lineEnd = FindLineEnd(begin, stop);
        Carry(begin, static_cast<size_t>(lineEnd - begin));
        if (lineEnd == stop) {
            pos_ = end_;
            continue;
        }
        PassLineEnd(lineEnd);
        line = carry_;
        return true;
    }
}

}  // namespace quarnel
