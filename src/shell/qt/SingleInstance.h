// SPDX-License-Identifier: MIT
// One running program per user: a lock on a file in the user's runtime
// folder. The kernel drops the lock with the process that holds it, so a
// crash never leaves a stale lock behind.
#pragma once

#include <string>

#include "platform/Locale.h"

namespace quarnel::qt {

class SingleInstance final {
  public:
    // Tries to take the lock on lockFile. Where the file cannot be made
    // (no runtime folder), the program runs without the lock.
    explicit SingleInstance(const std::string& lockFile);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock.
    bool First() const { return first_; }

  private:
    int fd_ = -1;
    bool first_ = true;
};

// "Quarnel.lock" in the user's runtime folder (XDG_RUNTIME_DIR), or "" when
// there is none.
std::string InstanceLockFile();

// The message a second start shows.
std::string AlreadyRunningText(platform::Language language);

}  // namespace quarnel::qt
