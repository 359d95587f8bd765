// SPDX-License-Identifier: MIT
// Writes a text file in Windows-1252 through one buffer, so that large files
// cost few system calls. Failures raise the matching error.
//
// The text goes to a temporary file next to the target, which is renamed
// over the target once it is complete: a program that dies or a disk that
// fills up in between leaves the previous file whole. Only a durable writer
// syncs the data and the folder to disk, which also protects against the
// system losing power.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace quarnel {

class TextFileWriter {
  public:
    // Creates the file or replaces it. An existing file that may not be
    // written to raises 70, as opening it for writing would; the new file
    // keeps its permissions.
    explicit TextFileWriter(const std::string& path, bool durable = false);
    // Without a successful Close the target is left as it was.
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Program text (UTF-8), converted to Windows-1252.
    void Write(std::string_view text);
    // Bytes written as they are.
    void WriteBytes(std::string_view bytes);
    void EndLine() { WriteBytes("\r\n"); }
    // Writes out the buffer and puts the file in place; raises when that fails.
    void Close();

    // The file operations the writer makes, replaceable so that tests can
    // fail them as a full disk or a dying program would. Both answer 0 or an
    // error, as platform::BinaryFile::Write and platform::ReplaceByRename do.
    struct SystemCalls {
        std::function<int(platform::BinaryFile& file, const void* data, size_t size,
                          size_t& written)>
            write;
        std::function<int(const std::string& from, const std::string& to)> rename;
    };
    // Installs calls for the lifetime of the object; the defaults are the
    // plain system calls.
    class ScopedSystemCalls {
      public:
        explicit ScopedSystemCalls(SystemCalls calls);
        ~ScopedSystemCalls();
        ScopedSystemCalls(const ScopedSystemCalls&) = delete;
        ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

      private:
        SystemCalls previous_;
    };

  private:
    void Flush();
    void SyncFolder();
    void Discard() noexcept;

    std::string path_;
    std::string tempPath_;
    std::unique_ptr<platform::BinaryFile> file_;
    std::string buffer_;
    bool durable_;
};

}  // namespace quarnel
