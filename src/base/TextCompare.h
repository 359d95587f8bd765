// SPDX-License-Identifier: MIT
// Comparisons of markers, keys and switches that ignore letter case. Only
// ASCII letters are folded: the texts compared against are plain ASCII.
#pragma once

#include <string>
#include <string_view>

namespace quarnel {

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace quarnel
