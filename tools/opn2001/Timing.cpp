// SPDX-License-Identifier: MIT
#include "Timing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace quarnel::opn2001 {

Timing TimingFromEnvironment() {
    Timing timing;
    const char* text = std::getenv(kTimeScaleVariable);
    if (text == nullptr || *text == '\0') return timing;
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(scale) || scale <= 0 || scale > 10)
        return timing;
    auto scaled = [scale](int ms) {
        return std::max(1, static_cast<int>(std::lround(ms * scale)));
    };
    timing.replyMs = scaled(timing.replyMs);
    timing.byteMs *= scale;
    timing.switchingPauseMs = scaled(timing.switchingPauseMs);
    timing.switchingLimitMs = scaled(timing.switchingLimitMs);
    return timing;
}

std::chrono::milliseconds ReplyDeadline(const Timing& timing, size_t bytes) {
    return std::chrono::milliseconds(timing.replyMs) +
           std::chrono::milliseconds(std::llround(std::ceil(timing.byteMs * bytes)));
}

}  // namespace quarnel::opn2001
