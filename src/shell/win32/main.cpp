// SPDX-License-Identifier: MIT
// quarnel.exe: starts the program and runs until it is asked to end.
#include "platform/Windows.h"
#include "shell/win32/Win32Program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    // The command line after the program's name, in the ANSI code page.
    return quarnel::win32::RunProgram(lpCmdLine ? lpCmdLine : "");
}
