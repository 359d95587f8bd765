// SPDX-License-Identifier: MIT
// The system's part of the virtual scanner files: where they are, and what
// tells one version of a file from the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quarnel::vscan {

// Which file, its size and when it was last written: a file replaced or
// rewritten has another stamp.
struct FileStamp {
    uint64_t volume = 0;
    uint64_t file = 0;
    uint64_t size = 0;
    int64_t written = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the regular file at path; nothing when there is none.
std::optional<FileStamp> StampOf(const std::string& path);

// The folder of the virtual scanners' files, "" when there is none: the one
// QUARNEL_VIRTUAL_PORTS names; on Windows, without it, "Quarnel\Virtual
// scanners" in the user's local application data.
std::string VirtualFolder();

}  // namespace quarnel::vscan
