// SPDX-License-Identifier: MIT
// Replacing a file so that it is never seen, nor left, half-written.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace quarnel::platform {

// Runs once the new content is written and synced, just before it takes the
// old file's place: the one moment a crash leaves two files behind.
using BeforeReplace = std::function<void()>;

// Writes content to a temporary file in path's folder, syncs it and renames
// it over path. Until the rename the old file stays whole; on failure the
// temporary file is removed and the old file left as it was. Returns 0 or
// the errno of the step that failed.
int ReplaceFile(const std::string& path, std::string_view content, mode_t mode,
                const BeforeReplace& beforeReplace = {});

}  // namespace quarnel::platform
