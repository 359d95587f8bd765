// Writes a text file in Windows-1252 through one buffer, so that large files
// cost few system calls. Failures raise the matching error.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quarnel {

class TextFileWriter {
  public:
    // Creates the file or replaces its content.
    explicit TextFileWriter(const std::string& path);
    // Writes out what is still buffered and closes the file, ignoring
    // failures: after a failed operation what was written stays.
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Program text (UTF-8), converted to Windows-1252.
    void Write(std::string_view text);
    // Bytes written as they are.
    void WriteBytes(std::string_view bytes);
    void EndLine() { WriteBytes("\r\n"); }
    // Writes out the buffer and closes the file; raises when that fails.
    void Close();

  private:
    void Flush();

    std::FILE* file_ = nullptr;
    std::string buffer_;
};

}  // namespace quarnel
