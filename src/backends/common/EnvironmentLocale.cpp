// SPDX-License-Identifier: MIT
// The user's language from the POSIX locale variables, which any system can
// read; the backends of systems that have no other source use it.
#include "platform/Locale.h"

#include <cstdlib>
#include <string_view>

namespace quarnel::platform {

// The POSIX precedence for message texts: LC_ALL, then LC_MESSAGES, then LANG.
Language UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return std::string_view(value).starts_with("nl") ? Language::Dutch : Language::English;
        }
    }
    return Language::English;
}

}  // namespace quarnel::platform
