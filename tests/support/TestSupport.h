// SPDX-License-Identifier: MIT
// Helpers shared by every test area: temporary folders, environment
// overrides and a trace log captured into a temporary file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/TraceLog.h"

namespace quarnel::test {

// A fresh folder below the system's temporary folder, removed with its content.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path(), the path separator and name
    std::string File(const std::string& name) const;

  private:
    std::string path_;
};

// Sets (or, with nullopt, unsets) an environment variable for its lifetime.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Sets an environment variable, or with nullopt removes it.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

// Routes the trace log into a temporary file while it lives. Extended
// logging and event tracing are switched as asked and restored afterwards.
class TraceCapture {
  public:
    explicit TraceCapture(bool extended = true, bool events = true);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // The raw bytes of the trace file.
    std::string Bytes() const;
    // Each line's message (after the time stamp and TAB), detail entries
    // keeping their two leading blanks; empty lines left out.
    std::vector<std::string> Messages() const;
    // The messages, each ended by a newline.
    std::string Text() const;
    // True when some message equals the text exactly.
    bool Contains(const std::string& message) const;
    void Clear();
    const std::string& FilePath() const { return file_; }

  private:
    class Settings;
    TempDir dir_;
    std::string file_;
    std::shared_ptr<Settings> settings_;
    bool previousExtended_;
};

// A small tmpfs mounted over a folder while it lives, with the mount flags
// and options given. Mounted() is false where this process may not mount.
// Linux only.
class ScopedTmpfs {
  public:
    ScopedTmpfs(std::string folder, unsigned long flags, const std::string& options);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;
    bool Mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_;
};

// Reads a whole file as bytes ("" when missing).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace quarnel::test
