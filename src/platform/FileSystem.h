// SPDX-License-Identifier: MIT
// The file operations the program needs beyond the standard library: looking
// at a path, files opened for reading, private folders, new files written in
// binary, replacing a file by rename, appending to the trace, and local time.
// Paths are UTF-8 (on Windows turned into the system's wide names). Failures
// are <cerrno> values; a backend whose system has codes of its own
// translates them, so that the program maps one set.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace quarnel::platform {

enum class FileKind { Missing, File, Folder };

// Opens path for reading bytes; null with errno set (ENOENT when nothing is
// there) on failure.
std::FILE* OpenForReading(const std::string& path);

// What is at path, links followed; Missing also when it cannot be looked at.
FileKind KindOfPath(const std::string& path);

// The file that a link at path points to, fully resolved; path itself when
// it is no link or the link cannot be resolved.
std::string ResolveLink(const std::string& path);

// 0 when the existing file at path may be written to, else the error that
// opening it for writing would give.
int CheckWritable(const std::string& path);

// Creates one folder that only the user may read. 0, or the error
// (EEXIST when the name is taken).
int CreatePrivateFolder(const std::string& path);

// A file open for writing bytes as they are.
class BinaryFile {
  public:
    virtual ~BinaryFile() = default;
    // Writes up to size bytes and sets written to the number written; 0, or
    // the error. Interrupted writes are retried here.
    virtual int Write(const void* data, size_t size, size_t& written) = 0;
    // Brings what was written to the disk; 0, or the error.
    virtual int Sync() = 0;
    // Closes the file; 0, or the error (some file systems report a full disk
    // only here). The file is closed either way.
    virtual int Close() = 0;
};

// Creates path for writing; fails with EEXIST when something is there.
// With permissionsOf set, the new file takes that file's permissions.
// Null on failure, with error set.
std::unique_ptr<BinaryFile> CreateNewFile(const std::string& path, const std::string& permissionsOf,
                                          int& error);

// Renames from to to, replacing a file that is there (on Windows with
// MOVEFILE_REPLACE_EXISTING, as a plain rename will not). 0, or the error.
int ReplaceByRename(const std::string& from, const std::string& to);

// Brings the folder's list of names to the disk, so that a file renamed into
// it survives a power cut; 0, or the error (0 where the system needs no such
// step).
int SyncFolder(const std::string& folder);
// Removes a file; 0, or the error.
int RemoveFile(const std::string& path);

// Appends bytes in one write, so that two programs appending in turn never
// mix their lines; a new file is readable by the user alone. A write cut
// short (a full disk) is taken back. 0, or the error.
int AppendPrivate(const std::string& path, std::string_view bytes);

// True for the errors of a full disk or an exhausted quota.
bool IsDiskFullError(int error);

// The broken-down local time of t.
std::tm LocalTime(std::time_t t);

}  // namespace quarnel::platform
