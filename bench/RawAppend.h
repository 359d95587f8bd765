// SPDX-License-Identifier: MIT
// The least a trace entry can cost when the trace file is opened, appended
// to and closed for every entry: stat on the folder, open for append, write
// and close of the line.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace quarnel::bench {

inline void RawAppend(const std::string& folder, const std::string& file, std::string_view line) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return;
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

}  // namespace quarnel::bench
