// SPDX-License-Identifier: MIT
// Reads a Windows-1252 text file line by line in fixed-size chunks, so that
// memory stays bounded whatever the file holds. CR LF, a lone CR and a lone
// LF each end a line. Failures raise the matching error.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel {

class TextLineReader {
  public:
    // Lines longer than maxLineLength bytes are cut to that length and
    // reported by LastLineTooLong.
    TextLineReader(const std::string& path, size_t maxLineLength);
    ~TextLineReader();
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;

    // The next line's bytes without its line end; false at the end of the
    // file. A file that ends with a line end has no empty line after it.
    // The view stays valid until the next call.
    bool ReadLine(std::string_view& line);
    bool LastLineTooLong() const { return tooLong_; }
    // The size of the file when it was opened.
    size_t FileSize() const { return fileSize_; }
    // What the reader holds in memory for lines that cross a chunk.
    size_t CarryCapacity() const { return carry_.capacity(); }

  private:
    bool Fill();
    bool ReadLineAcrossChunks(std::string_view& line);
    void PassLineEnd(const char* lineEnd);
    void Carry(const char* begin, size_t length);

    std::FILE* file_ = nullptr;
    size_t maxLineLength_;
    size_t fileSize_ = 0;
    std::vector<char> chunk_;
    size_t pos_ = 0;
    size_t end_ = 0;
    std::string carry_;    // the start of a line that crosses the end of a chunk
    bool skipLf_ = false;  // the last line ended in CR: an LF right after it belongs to it
    bool tooLong_ = false;
};

}  // namespace quarnel
