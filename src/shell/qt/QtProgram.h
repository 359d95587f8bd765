// SPDX-License-Identifier: MIT
// The program on Qt: the application object, the real services, the main
// window and the event loop until the window has been unloaded.
#pragma once

namespace quarnel::qt {

// Runs the program; the exit status of the process.
int RunProgram(int argc, char** argv);

}  // namespace quarnel::qt
