// SPDX-License-Identifier: MIT
// The Windows console: the arguments come from the UTF-16 command line, so
// that none loses a character; a console window is written in UTF-16 as
// reg.exe writes it, a redirected output in the ANSI code page, the code
// page of the program's files.
#include <io.h>

#include "RegConsole.h"
#include "backends/win32/Win32Text.h"
#include "base/Ansi.h"
#include "platform/Windows.h"

#include <shellapi.h>

namespace quarnel::reg {

std::vector<std::string> ConsoleArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(platform::Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

void ConsoleWrite(std::FILE* stream, const std::string& utf8) {
    std::fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const std::wstring wide = platform::WideFromUtf8(utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string ansi = Utf8ToAnsi(utf8);
    std::fwrite(ansi.data(), 1, ansi.size(), stream);
    std::fflush(stream);
}

bool ConsoleCanAsk() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

}  // namespace quarnel::reg
