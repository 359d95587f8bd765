// SPDX-License-Identifier: MIT
// Mounting a small tmpfs for the tests of a full disk (Linux only).
#include <sys/mount.h>

#include "TestSupport.h"

namespace quarnel::test {

ScopedTmpfs::ScopedTmpfs(std::string folder, unsigned long flags, const std::string& options)
    : folder_(std::move(folder)),
      mounted_(::mount("tmpfs", folder_.c_str(), "tmpfs", flags, options.c_str()) == 0) {}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace quarnel::test
