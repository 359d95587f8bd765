// SPDX-License-Identifier: MIT
// Windows under Wine: the calling thread moves to a desktop of its own,
// which Wine draws on this process's X display. The prefix's default
// desktop may have been made by a program that had no display, and then
// no window could be made there.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace quarnel::test {

inline void UsePrivateDesktop() {
    // Unique for every run: Wine reuses process ids, and the desktop of an
    // earlier run may still be bound to that run's display.
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const std::string name =
        "quarnel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(now.QuadPart);
    if (HDESK desktop = CreateDesktopA(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr))
        SetThreadDesktop(desktop);
}

}  // namespace quarnel::test
