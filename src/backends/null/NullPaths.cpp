// SPDX-License-Identifier: MIT
// Paths without a system: native style only, no application folder.
#include "platform/Paths.h"

namespace quarnel::platform {

PathStyle NativePathStyle() {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

char PathSeparator() {
    return NativePathStyle() == PathStyle::Windows ? '\\' : '/';
}

std::string ApplicationFolder() {
    return {};
}

bool EnsureApplicationFolder() {
    return false;
}

std::string ExecutablePath() {
    return {};
}

}  // namespace quarnel::platform
