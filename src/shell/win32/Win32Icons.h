// SPDX-License-Identifier: MIT
// The program's icons by number, loaded from its icon resources.
#pragma once

#include "platform/ShellNotify.h"
#include "platform/Windows.h"

namespace quarnel::win32 {

// The small icon of that number from the program's resources; a stock icon
// of the system when the resource is missing, so that the tray always has a
// picture. Shared icons: never destroyed by the caller.
::HICON LoadProgramIcon(platform::HICON number);

}  // namespace quarnel::win32
