// SPDX-License-Identifier: MIT
// The traffic log's file on POSIX: created with mode 0600.
#include <fcntl.h>
#include <unistd.h>

#include "TrafficLogFile.h"

namespace quarnel::opn2001 {

std::FILE* OpenPrivateLogFile(const char* path) {
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "a");
    if (file == nullptr) close(fd);
    return file;
}

std::tm LocalTimeOf(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

}  // namespace quarnel::opn2001
