// SPDX-License-Identifier: MIT
#include "resources/LocaleNames.h"

namespace quarnel::resources {

const std::array<std::string, 7>& WeekdayNames(platform::Language language) {
    static const std::array<std::string, 7> english = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};
    static const std::array<std::string, 7> dutch = {"zondag",    "maandag", "dinsdag", "woensdag",
                                                     "donderdag", "vrijdag", "zaterdag"};
    return language == platform::Language::Dutch ? dutch : english;
}

const std::array<std::string, 12>& MonthNames(platform::Language language) {
    static const std::array<std::string, 12> english = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    static const std::array<std::string, 12> dutch = {
        "januari", "februari", "maart",     "april",   "mei",      "juni",
        "juli",    "augustus", "september", "oktober", "november", "december"};
    return language == platform::Language::Dutch ? dutch : english;
}

}  // namespace quarnel::resources
