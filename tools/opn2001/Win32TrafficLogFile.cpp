// SPDX-License-Identifier: MIT
// The traffic log's file on Windows: the user's own folders keep it
// private, so it is opened as any file, shared for reading only.
#include <share.h>

#include "TrafficLogFile.h"

namespace quarnel::opn2001 {

std::FILE* OpenPrivateLogFile(const char* path) {
    return _fsopen(path, "a", _SH_DENYWR);
}

std::tm LocalTimeOf(std::time_t seconds) {
    std::tm local{};
    localtime_s(&local, &seconds);
    return local;
}

}  // namespace quarnel::opn2001
