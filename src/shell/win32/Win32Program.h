// SPDX-License-Identifier: MIT
// The program on Win32: the real services, the main window and the message
// loop until the window has been unloaded.
#pragma once

#include <string>

#include "platform/Locale.h"

namespace quarnel::win32 {

// Runs the program with the command line after the program's name; the
// exit status of the process.
int RunProgram(const std::string& commandLine);

// The name of the mutex that one running program per user holds.
std::string InstanceMutexName();

// The message a second start shows.
std::string AlreadyRunningText(platform::Language language);

}  // namespace quarnel::win32
