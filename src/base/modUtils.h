// SPDX-License-Identifier: MIT
// Small file, byte and number helpers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Paths.h"

namespace quarnel {

// Attribute mask bit that lets FileExists count folders as well as files.
inline constexpr int32_t kAttrDirectory = 16;

// True when Filename names an existing file or, with kAttrDirectory in
// Attributes, an existing folder. A name ending in a separator counts when
// it is an existing folder.
bool FileExists(const std::string& filename, int32_t attributes = 0, bool noTrace = false);

// True when the folder exists afterwards; missing folders are created,
// parents first. Only absolute paths (paths with a root) can be created.
bool CheckCreateFolder(const std::string& path, bool noTrace = false);

// The root of a path in the given style: "C:\" or "\\server\" on Windows,
// "/" on POSIX; nothing for a relative or empty path.
std::optional<std::string> FindPathRoot(std::string_view path, platform::PathStyle style);

// The bytes from start to end (inclusive; -1 = the last) as Windows-1252
// characters converted to UTF-8, NUL bytes left out. Raises 9 for a position
// outside the array.
std::string BytesToString(const std::vector<uint8_t>& bytes, int32_t start, int32_t end = -1);

// Each byte from start to end as two upper-case hex digits, blank-separated
// when spaced. Raises 9 for a position outside the array.
std::string BytesToHex(const std::vector<uint8_t>& bytes, int32_t start, int32_t end = -1,
                       bool spaced = false);

// |value| of a 16-bit integer; raises 6 for -32768, whose absolute value
// does not fit.
int16_t AbsInt(int16_t value);
// A boolean as the 1 or 0 the settings store writes.
inline int16_t AbsInt(bool value) {
    return value ? 1 : 0;
}

}  // namespace quarnel
