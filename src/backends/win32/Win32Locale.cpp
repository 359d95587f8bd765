// SPDX-License-Identifier: MIT
// The user's display language from Windows, as the program's texts follow
// it. A language named in the POSIX locale variables comes first: Windows
// sets none of them, so one that is set was set on purpose (by a POSIX layer
// such as Wine, or by the user to try the other language).
#include "platform/Locale.h"

#include <cstdlib>
#include <string_view>

#include "platform/Windows.h"

namespace quarnel::platform {

namespace {

// "C" and "POSIX" name no language.
bool NamesLanguage(std::string_view locale) {
    return !locale.empty() && locale != "C" && locale != "POSIX" && !locale.starts_with("C.") &&
           !locale.starts_with("POSIX.");
}

}  // namespace

// LC_ALL, then LC_MESSAGES, then LANG, as on POSIX systems; else the Windows
// display language, Dutch of any region sharing the primary language.
Language UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        if (!NamesLanguage(value)) break;
        return std::string_view(value).starts_with("nl") ? Language::Dutch : Language::English;
    }
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_DUTCH ? Language::Dutch
                                                                   : Language::English;
}

}  // namespace quarnel::platform
