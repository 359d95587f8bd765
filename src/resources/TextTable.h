// SPDX-License-Identifier: MIT
// The numbered user-visible texts (ids 101 to 190) in English and Dutch.
#pragma once

#include "platform/Locale.h"

namespace quarnel::resources {

// The UTF-8 text with this id in the given language, or nullptr when the
// table has no such id.
const char* LookupText(int id, platform::Language language);

}  // namespace quarnel::resources
