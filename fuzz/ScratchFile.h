// SPDX-License-Identifier: MIT
// One file per fuzzing process for code that reads from a path; removed
// when the process ends. It lives in memory (/dev/shm) where it can, since
// it is rewritten for every input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quarnel::fuzz {

class ScratchFile {
  public:
    ScratchFile() {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/fuzzXXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) std::abort();
        close(fd);
        path_ = pattern;
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }

    void Write(std::string_view content) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) std::abort();
        if (!content.empty() && std::fwrite(content.data(), content.size(), 1, file) != 1)
            std::abort();
        if (std::fclose(file) != 0) std::abort();
    }

  private:
    std::string path_;
};

}  // namespace quarnel::fuzz
