// SPDX-License-Identifier: MIT
// The scanner's two date-time forms: the 4-byte packed time stamp of a
// barcode packet and the 6-byte clock buffer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "base/DateTime.h"

namespace quarnel {

using ClockBytes = std::array<uint8_t, 6>;  // second, minute, hour, day, month, year - 2000

// A date that exists in the calendar and a time of day 00:00:00 to 23:59:59.
bool IsValidDateTime(const DateTime& value);

// The time stamp whose most significant byte is b0: second (6 bits),
// minute (6), hour (5), day (5), month (4), year - 2000 (6); nothing when the
// fields make no valid date-time.
std::optional<DateTime> DecodeTimeStamp(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

// Nothing when the bytes make no valid date-time.
std::optional<DateTime> FromClockBytes(const ClockBytes& bytes);

// Nothing for an invalid date-time or a year outside 2000 to 2255.
std::optional<ClockBytes> ToClockBytes(const DateTime& value);

}  // namespace quarnel
