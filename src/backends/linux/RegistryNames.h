// SPDX-License-Identifier: MIT
// Key paths and value names as the registry compares them: without regard
// to letter case, in UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::platform {

// A key path split at "\", one element per key.
using KeyPath = std::vector<std::string>;

// The name in upper case: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters ("é" and "É", "ł" and "Ł" match). Bytes that are not
// well-formed UTF-8 are kept as they are.
std::string FoldName(std::string_view utf8);

bool SameName(std::string_view a, std::string_view b);

// Splits "A\B\C" into its keys. A trailing "\" is allowed; an empty key
// name, a leading "\" or a key name longer than 255 characters is not.
std::optional<KeyPath> SplitKeyPath(std::string_view path);

// True when path begins with prefix, keys compared without regard to case.
bool StartsWithPath(const KeyPath& path, const KeyPath& prefix);

}  // namespace quarnel::platform
