// SPDX-License-Identifier: MIT
// The scanner's symbology code ids and their names.
#pragma once

#include <optional>
#include <string_view>

namespace quarnel::opn2001 {

// The name of a code id; nothing for an unknown id. Names fit 19 characters.
std::optional<std::string_view> SymbologyName(int codeId);

}  // namespace quarnel::opn2001
