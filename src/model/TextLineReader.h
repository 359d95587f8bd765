// Reads a Windows-1252 text file line by line in fixed-size chunks, so that
// memory stays bounded whatever the file holds. CR LF, a lone CR and a lone
// LF each end a line. Failures raise the matching error.
#pragma once

#include <cstdio>
#include <string>
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
    bool ReadLine(std::string& line);
    bool LastLineTooLong() const { return tooLong_; }

  private:
    bool Fill();

    std::FILE* file_ = nullptr;
    size_t maxLineLength_;
    std::vector<char> chunk_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool skipLf_ = false;  // the last line ended in CR: an LF right after it belongs to it
    bool tooLong_ = false;
};

}  // namespace quarnel
