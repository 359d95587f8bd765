// SPDX-License-Identifier: MIT
// The program's icons, named by the numbers the tray record carries.
#pragma once

#include <QIcon>

#include "platform/ShellNotify.h"

namespace quarnel::qt {

// The icon for a number; the application's icon for kIconApplication and
// for numbers the program does not know, so that the tray never stays empty.
QIcon IconFromHandle(platform::HICON icon);

}  // namespace quarnel::qt
