// SPDX-License-Identifier: MIT
// Saving, converting and posting count barcodes and order lines with a
// signed 16-bit counter, so they handle at most this many.
#pragma once

#include <cstdint>

namespace quarnel {

inline constexpr int32_t kMaxCountedRows = 32767;

}  // namespace quarnel
