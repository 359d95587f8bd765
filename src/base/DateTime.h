// SPDX-License-Identifier: MIT
// Local date and time with one-second resolution, and the forms in which the
// program writes them.
#pragma once

#include <ctime>
#include <string>

#include "platform/Locale.h"

namespace quarnel {

struct DateTime {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    static DateTime Now();
    static DateTime FromTimeT(std::time_t t);
    std::time_t ToTimeT() const;
    // 0 = Sunday .. 6 = Saturday
    int Weekday() const;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

std::string WeekdayName(int weekday, platform::Language language);  // 0 = Sunday
std::string MonthName(int month, platform::Language language);      // 1..12
std::string TimeSeparator(platform::Language language);

// The short date-time form of the user's language: "12/5/2026 5:29:16 PM"
// in English, "5-12-2026 17:29:16" in Dutch.
std::string ShortDateTime(const DateTime& value, platform::Language language);
std::string ShortDateTime(const DateTime& value);

// Zero-padded decimal of at least the given width.
std::string Pad(int value, int width);

}  // namespace quarnel
