// SPDX-License-Identifier: MIT
#include "MarkedInput.h"

#include <utility>

namespace quarnel::opn2001 {

size_t MarkedInput::Decode(std::span<uint8_t> bytes) {
    size_t out = 0;
    for (uint8_t byte : bytes) {
        switch (step_) {
            case Step::Plain:
                if (byte == 0xFF)
                    step_ = Step::Marked;
                else
                    bytes[out++] = byte;
                break;
            case Step::Marked:
                if (byte == 0xFF) {
                    bytes[out++] = byte;
                    step_ = Step::Plain;
                } else if (byte == 0x00) {
                    step_ = Step::Error;
                } else {
                    // No mark the terminal writes: the input cannot be trusted.
                    ++errors_;
                    step_ = Step::Plain;
                }
                break;
            case Step::Error:
                ++errors_;
                step_ = Step::Plain;
                break;
        }
    }
    return out;
}

size_t MarkedInput::TakeErrors() {
    return std::exchange(errors_, 0);
}

void MarkedInput::Reset() {
    step_ = Step::Plain;
    errors_ = 0;
}

}  // namespace quarnel::opn2001
