// SPDX-License-Identifier: MIT
// How this platform writes file paths, and where the program keeps its files.
#pragma once

#include <string>

namespace quarnel::platform {

enum class PathStyle { Windows, Posix };

PathStyle NativePathStyle();

// The separator of the native style: "\" on Windows, "/" elsewhere.
char PathSeparator();

// The per-user folder that the default barcodes, orders and trace paths are
// built on, without trailing separator.
std::string ApplicationFolder();

// Creates the application folder (and missing parents) readable by the user
// alone, and takes the rights of others away from one that exists: it holds
// the trace, which names the shop user. True when the folder exists afterwards.
bool EnsureApplicationFolder();

// Absolute path of the running executable ("" when it cannot be found).
std::string ExecutablePath();

}  // namespace quarnel::platform
