// SPDX-License-Identifier: MIT
// The XDG base folders, and creating the private folders the program keeps
// its files in.
#pragma once

#include <sys/types.h>

#include <string>

namespace quarnel::platform {

// Creates path and its missing parents with the given mode; true when the
// folder exists afterwards.
bool MakeFolders(const std::string& path, mode_t mode);

// The folder part of a path ("" for a bare name).
std::string ParentFolder(const std::string& path);

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; no trailing "/".
std::string ConfigHome();
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; no trailing "/".
std::string DataHome();

}  // namespace quarnel::platform
