// SPDX-License-Identifier: MIT
#include "base/DateTime.h"

#include "platform/FileSystem.h"
#include "resources/LocaleNames.h"

namespace quarnel {

DateTime DateTime::Now() {
    return FromTimeT(std::time(nullptr));
}

DateTime DateTime::FromTimeT(std::time_t t) {
    const std::tm parts = platform::LocalTime(t);
    return DateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                    parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::time_t DateTime::ToTimeT() const {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

int DateTime::Weekday() const {
    // Sakamoto's method; valid for the Gregorian calendar.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int m = ((month - 1) % 12 + 12) % 12;  // out-of-range months must not index outside the table
    int y = m < 2 ? year - 1 : year;
    int sum = y + y / 4 - y / 100 + y / 400 + offsets[m] + day;
    return (sum % 7 + 7) % 7;
}

std::string WeekdayName(int weekday, platform::Language language) {
    return resources::WeekdayNames(language)[(weekday % 7 + 7) % 7];
}

std::string MonthName(int month, platform::Language language) {
    return resources::MonthNames(language)[((month - 1) % 12 + 12) % 12];
}

std::string TimeSeparator(platform::Language) {
    return ":";
}

std::string Pad(int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string ShortDateTime(const DateTime& v, platform::Language language) {
    const std::string sep = TimeSeparator(language);
    if (language == platform::Language::Dutch) {
        return std::to_string(v.day) + "-" + std::to_string(v.month) + "-" + Pad(v.year, 4) + " " +
               std::to_string(v.hour) + sep + Pad(v.minute, 2) + sep + Pad(v.second, 2);
    }
    int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
    return std::to_string(v.month) + "/" + std::to_string(v.day) + "/" + Pad(v.year, 4) + " " +
           std::to_string(hour12) + sep + Pad(v.minute, 2) + sep + Pad(v.second, 2) +
           (v.hour < 12 ? " AM" : " PM");
}

std::string ShortDateTime(const DateTime& value) {
    return ShortDateTime(value, platform::UserLanguage());
}

}  // namespace quarnel
