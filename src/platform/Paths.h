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

// Absolute path of the running executable ("" when it cannot be found).
std::string ExecutablePath();

}  // namespace quarnel::platform
