// SPDX-License-Identifier: MIT
// The user's display language from Windows, as the program's texts follow it.
#include "platform/Locale.h"

#include "platform/Windows.h"

namespace quarnel::platform {

// Dutch of any region (Netherlands, Belgium, ...) shares the primary language.
Language UserLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_DUTCH ? Language::Dutch
                                                                   : Language::English;
}

}  // namespace quarnel::platform
