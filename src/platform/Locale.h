// SPDX-License-Identifier: MIT
// The user's display language, as far as the program distinguishes it.
#pragma once

namespace quarnel::platform {

enum class Language { English, Dutch };

// Dutch for any Dutch region, English for everything else.
Language UserLanguage();

}  // namespace quarnel::platform
