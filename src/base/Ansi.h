// SPDX-License-Identifier: MIT
// Files and wire text use Windows-1252 on every platform, so that they stay
// exchangeable with Windows installations; strings inside the program are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace quarnel {

// True when every byte is below 0x80: such text is the same in both encodings.
bool IsAscii(std::string_view text);

// UTF-8 to Windows-1252. Characters the code page lacks, and malformed
// UTF-8 sequences, become "?".
std::string Utf8ToAnsi(std::string_view utf8);

// Windows-1252 to UTF-8. Every byte has a meaning; the five bytes the code
// page leaves undefined map to the C1 controls of the same value.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace quarnel
