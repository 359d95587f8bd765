// SPDX-License-Identifier: MIT
// Reads the input of a port in PARMRK mode: 0xFF 0xFF stands for a 0xFF
// byte, and 0xFF 0x00 X for a byte X that arrived with a parity or framing
// error (0xFF 0x00 0x00 also for a break). Marks may be split across reads;
// 0xFF followed by anything else is counted as an error too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarnel::opn2001 {

class MarkedInput {
  public:
    // Decodes bytes in place: the number of received bytes at its start.
    // Bytes that arrived with an error are dropped and counted.
    size_t Decode(std::span<uint8_t> bytes);
    // Errors counted since the last call.
    size_t TakeErrors();
    // Forgets a mark begun in input that was discarded.
    void Reset();

  private:
    enum class Step { Plain, Marked, Error } step_ = Step::Plain;
    size_t errors_ = 0;
};

}  // namespace quarnel::opn2001
