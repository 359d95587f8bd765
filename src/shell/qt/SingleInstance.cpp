// SPDX-License-Identifier: MIT
#include "shell/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QStandardPaths>
#include <cerrno>

#include "shell/qt/QtStrings.h"

namespace quarnel::qt {

SingleInstance::SingleInstance(const std::string& lockFile) {
    if (lockFile.empty()) return;
    // Close-on-exec: the browser that opens an order page must not keep
    // the lock after the program has ended.
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    int result;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) first_ = errno != EWOULDBLOCK;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceLockFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) return {};
    return ToUtf8(folder) + "/Quarnel.lock";
}

std::string AlreadyRunningText(platform::Language language) {
    return language == platform::Language::Dutch ? "Quarnel is al gestart."
                                                 : "Quarnel is already running.";
}

}  // namespace quarnel::qt
