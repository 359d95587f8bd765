// SPDX-License-Identifier: MIT
// Collects one scanner reply from a byte stream fed in pieces of any size.
// Bytes before a 0x06 0x02 start are skipped. A reply is complete when the
// byte three from its end is 0x00 and the CRC over everything before that
// byte matches its last two bytes. An upload reply must also have reached
// the record of length 0 that ends its list, right before or at the pad, so
// that a zero byte inside a record with a chance CRC match cannot end it.
// When the byte after that record is 0x00 too, it is the pad, and only the
// later end is tested. A reply longer than its shape allows is corrupt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Protocol.h"

namespace quarnel::opn2001 {

struct ReplyShape {
    size_t minBody = 0;   // body bytes a complete reply has at least
    size_t maxBody = 0;   // and at most
    bool upload = false;  // identity, then records ended by length 0
    // The shortest and the longest reply, start to CRC.
    size_t MinReply() const { return 2 + minBody + 3; }
    size_t MaxReply() const { return 2 + maxBody + 3; }
};

class ReplyAssembler {
  public:
    enum class State { Waiting, Complete, Corrupt };

    explicit ReplyAssembler(ReplyShape shape = {});

    // Takes bytes until the reply is complete or proven corrupt; bytes fed
    // after that are ignored.
    State Feed(std::span<const uint8_t> bytes);
    State Current() const { return state_; }

    // The whole reply, start to CRC; valid once Complete.
    std::span<const uint8_t> Reply() const { return reply_; }
    // Hands the reply's bytes over, leaving the assembler empty.
    std::vector<uint8_t> TakeReply() { return std::move(reply_); }
    // The bytes between 0x06 0x02 and the pad.
    std::span<const uint8_t> Body() const;
    // Bytes taken into the reply so far.
    size_t Size() const { return reply_.size(); }
    // Bytes skipped while looking for a reply start.
    size_t Skipped() const { return skipped_; }

  private:
    void Take(uint8_t byte);
    // Appends bytes that cannot end the reply.
    void Append(std::span<const uint8_t> bytes);
    bool EndsHere() const;

    ReplyShape shape_;
    State state_ = State::Waiting;
    std::vector<uint8_t> reply_;
    size_t skipped_ = 0;
    // The CRC register after all of reply_, and those after the lengths
    // around the bytes Take saw last: the one after length n is crcs_[n % 4].
    Crc16Usb crc_;
    std::array<Crc16Usb, 4> crcs_{};
    // Upload replies: where the next record's length byte is, and where the
    // length-0 record was found (0 while not yet).
    size_t nextRecord_ = 0;
    size_t listEnd_ = 0;
};

}  // namespace quarnel::opn2001
