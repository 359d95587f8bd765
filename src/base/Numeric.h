// SPDX-License-Identifier: MIT
// The numeric test and conversion applied to numbers typed or scanned by users
// (quantity barcodes, order files, stored settings).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Locale.h"

namespace quarnel {

// Accepts optional blanks around the number, an optional sign, digits with
// an optional fraction and an optional exponent. The decimal separator is
// "." and, for Dutch users, also ",". Returns nothing for anything else.
std::optional<double> ParseNumeric(std::string_view text);
// The same for a given language, for loops that test many numbers.
std::optional<double> ParseNumeric(std::string_view text, platform::Language language);

// Up to nine plain digits, the common form of quantities, read without
// floating point; false for any other text, which may still be numeric.
// (No std::optional here: returning one stalls on reading it back.)
bool PlainWholeNumber(std::string_view text, int32_t& value);

inline bool IsNumeric(std::string_view text) {
    return ParseNumeric(text).has_value();
}

}  // namespace quarnel
