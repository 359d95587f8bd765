// SPDX-License-Identifier: MIT
// The system's part of the virtual scanner files: where they are, what tells
// one version of a file from the next, and how a new version takes the old
// one's place.
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

// The scanner file of port ("COM7") in folder. On Windows a name such as
// "COM7.scanner" would open the serial device COM7, so the name differs there.
std::string PortFile(const std::string& folder, const std::string& port);

// Renames from to to, replacing the file there in one step; the system's
// reason when it cannot.
bool MoveOver(const std::string& from, const std::string& to, std::string& error);

}  // namespace quarnel::vscan
