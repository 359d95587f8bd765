// SPDX-License-Identifier: MIT
// The link's waiting times. QUARNEL_OPN2001_TIME_SCALE (a factor, e.g.
// 0.05) shortens all of them alike, so that tests of a silent or switching
// scanner stay fast.
#pragma once

#include <chrono>
#include <cstddef>

namespace quarnel::opn2001 {

// One byte on the line at 9600 baud: start bit, 8 data bits, parity, stop bit.
inline constexpr double kLineByteMs = 11 * 1000.0 / 9600;
// How much slower than the line a reply may come before it is given up.
inline constexpr double kLineFactor = 4;

struct Timing {
    int replyMs = 2000;  // silence after which a reply is given up; also each
                         // reply's fixed allowance on top of its bytes' time
    double byteMs = kLineByteMs * kLineFactor;  // time allowed for each reply byte
    int switchingPauseMs = 5000;                // pause before asking a switching scanner again
    int switchingLimitMs = 6000;                // how long a scanner may keep switching
};

inline constexpr const char* kTimeScaleVariable = "QUARNEL_OPN2001_TIME_SCALE";

Timing TimingFromEnvironment();

// The time a reply of bytes bytes may take from its command's sending on.
std::chrono::milliseconds ReplyDeadline(const Timing& timing, size_t bytes);

}  // namespace quarnel::opn2001
