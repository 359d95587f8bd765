// SPDX-License-Identifier: MIT
#include "scanner/ScannerTime.h"

namespace quarnel {
namespace {

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

bool IsValidDateTime(const DateTime& v) {
    return v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= DaysInMonth(v.year, v.month) &&
           v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 && v.second >= 0 &&
           v.second <= 59;
}

std::optional<DateTime> DecodeTimeStamp(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    DateTime value;
    value.second = b0 >> 2;
    value.minute = (b0 & 3) * 16 + (b1 >> 4);
    value.hour = (b1 & 15) * 2 + (b2 >> 7);
    value.day = (b2 & 124) >> 2;
    value.month = (b2 & 3) * 4 + (b3 >> 6);
    value.year = 2000 + (b3 & 63);
    if (!IsValidDateTime(value)) return std::nullopt;
    return value;
}

std::optional<DateTime> FromClockBytes(const ClockBytes& bytes) {
    DateTime value{bytes[5] + 2000, bytes[4], bytes[3], bytes[2], bytes[1], bytes[0]};
    if (!IsValidDateTime(value)) return std::nullopt;
    return value;
}

std::optional<ClockBytes> ToClockBytes(const DateTime& v) {
    if (!IsValidDateTime(v) || v.year < 2000 || v.year > 2255) return std::nullopt;
    return ClockBytes{static_cast<uint8_t>(v.second), static_cast<uint8_t>(v.minute),
                      static_cast<uint8_t>(v.hour),   static_cast<uint8_t>(v.day),
                      static_cast<uint8_t>(v.month),  static_cast<uint8_t>(v.year - 2000)};
}

}  // namespace quarnel
