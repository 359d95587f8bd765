// SPDX-License-Identifier: MIT
// The link's waiting times. QUARNEL_OPN2001_TIME_SCALE (a factor, e.g.
// 0.05) shortens all of them alike, so that tests of a silent or switching
// scanner stay fast.
#pragma once

namespace quarnel::opn2001 {

struct Timing {
    int replyMs = 2000;           // silence after which a reply is given up
    int switchingPauseMs = 5000;  // pause before asking a switching scanner again
    int switchingLimitMs = 6000;  // how long a scanner may keep switching
};

inline constexpr const char* kTimeScaleVariable = "QUARNEL_OPN2001_TIME_SCALE";

Timing TimingFromEnvironment();

}  // namespace quarnel::opn2001
