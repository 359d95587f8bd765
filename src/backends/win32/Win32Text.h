// SPDX-License-Identifier: MIT
// The program's UTF-8 strings to and from the UTF-16 of the "W" functions,
// for the calls whose text must not lose characters outside the code page.
#pragma once

#include <string>
#include <string_view>

namespace quarnel::platform {

// Malformed UTF-8 becomes U+FFFD, as MultiByteToWideChar makes it.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace quarnel::platform
