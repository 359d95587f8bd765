// SPDX-License-Identifier: MIT
// What the dialogs take from outside when they are made: the desktop for
// message boxes, pickers and the busy pointer, text measuring, the PC's
// clock and the scanner library. Settings come from Settings() (settings/SharedSettings.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/DateTime.h"
#include "platform/Desktop.h"
#include "platform/ScannerLibrary.h"
#include "ui/TextMetrics.h"

namespace quarnel::ui {

struct FormServices {
    std::shared_ptr<platform::Desktop> desktop;
    std::shared_ptr<const TextMetrics> metrics;
    // The PC's local date and time; DateTime::Now in the program.
    std::function<DateTime()> clock = [] { return DateTime::Now(); };
    // The library a fresh scanner object is made over (about dialog).
    std::shared_ptr<platform::ScannerLibrary> scannerLibrary;
    // The folder of the running executable, without trailing separator.
    std::string applicationFolder;
};

}  // namespace quarnel::ui
