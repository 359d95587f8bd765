// SPDX-License-Identifier: MIT
// The console of a POSIX system speaks UTF-8: everything passes as it is.
#include <unistd.h>

#include "RegConsole.h"

namespace quarnel::reg {

std::vector<std::string> ConsoleArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void ConsoleWrite(std::FILE* stream, const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

bool ConsoleCanAsk() {
    return isatty(STDIN_FILENO) != 0;
}

}  // namespace quarnel::reg
