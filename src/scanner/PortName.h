// SPDX-License-Identifier: MIT
// Port names as the serial-port table and device notifications give them:
// "COM" followed by a decimal number.
#pragma once

#include <cstdint>
#include <string_view>

namespace quarnel {

// True when the text begins with "COM", in any case.
bool IsComPortName(std::string_view name);

// The decimal number at the start of the text after "COM": leading blanks
// skipped, digits read up to the first non-digit; 0 when there are none.
// Numbers too large for any port stop growing at kPortNumberCeiling.
int64_t ComPortNumber(std::string_view name);
inline constexpr int64_t kPortNumberCeiling = 1'000'000'000;

}  // namespace quarnel
