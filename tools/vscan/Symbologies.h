// SPDX-License-Identifier: MIT
// The symbology code ids of the virtual scanner and their names.
#pragma once

#include <optional>
#include <string_view>

namespace quarnel::vscan {

// The name of a code id; nothing for an unknown id.
std::optional<std::string_view> SymbologyName(int codeId);

// The code id of a name or of a decimal id. Case, blanks and dashes are
// ignored, so "ean13", "EAN-13" and "8" all name EAN-13.
std::optional<int> SymbologyCode(std::string_view nameOrId);

// A likely symbology for a barcode typed without one: EAN-13, EAN-8 or
// UPC-A by digit count, Code 128 for everything else.
int GuessSymbology(std::string_view barcode);

}  // namespace quarnel::vscan
