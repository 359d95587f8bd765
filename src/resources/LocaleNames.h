// SPDX-License-Identifier: MIT
// Weekday and month names of the program's two languages. They are kept here
// rather than taken from the C library, whose locales are often not installed.
#pragma once

#include <array>
#include <string>

#include "platform/Locale.h"

namespace quarnel::resources {

// Sunday first.
const std::array<std::string, 7>& WeekdayNames(platform::Language language);
// January first.
const std::array<std::string, 12>& MonthNames(platform::Language language);

}  // namespace quarnel::resources
