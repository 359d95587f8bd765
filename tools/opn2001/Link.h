// SPDX-License-Identifier: MIT
// One conversation with a scanner over a serial port: a command out, its
// reply back within its deadline. A reply that does not arrive complete and
// intact is asked for once more, unless its deadline passed; a port that
// hangs up ends the link.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ReplyAssembler.h"
#include "SerialPort.h"
#include "Timing.h"
#include "TrafficLog.h"

namespace quarnel::opn2001 {

// A complete reply: all its bytes, and where its body lies in them.
struct Reply {
    std::vector<uint8_t> bytes;
    size_t bodyOffset = 0;
    size_t bodySize = 0;
    std::span<const uint8_t> Body() const {
        return std::span<const uint8_t>(bytes).subspan(bodyOffset, bodySize);
    }
};

class Link {
  public:
    Link(std::unique_ptr<SerialPort> port, Timing timing, TrafficLog log);

    // The reply to a command; nothing when none came.
    std::optional<Reply> Transact(uint8_t op, std::span<const uint8_t> payload = {});
    // Sends a command without waiting for a reply.
    bool Send(uint8_t op, std::span<const uint8_t> payload = {});

    bool HungUp() const { return hungUp_; }
    std::optional<bool> Cts() const { return port_->Cts(); }
    const std::string& Path() const { return port_->Path(); }
    const Timing& Times() const { return timing_; }

  private:
    enum class Outcome { Failed, Late };
    std::optional<Reply> Attempt(uint8_t op, std::span<const uint8_t> frame, Outcome& outcome);

    std::unique_ptr<SerialPort> port_;
    Timing timing_;
    TrafficLog log_;
    bool hungUp_ = false;
};

}  // namespace quarnel::opn2001
