// SPDX-License-Identifier: MIT
// The program keeps its paths in UTF-8. The standard library reads a narrow
// path in the system's code page, which on Windows is not UTF-8: a folder
// named "Zoë" or "Łukasz" would be another name there. These conversions
// hand paths over and back without that loss.
#pragma once

#include <filesystem>
#include <string>

namespace quarnel {

std::filesystem::path PathFromUtf8(const std::string& path);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace quarnel
