// SPDX-License-Identifier: MIT
#include "Link.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "Replies.h"

namespace quarnel::opn2001 {
namespace {
constexpr int kAttempts = 2;
using Clock = std::chrono::steady_clock;
}  // namespace

Link::Link(std::unique_ptr<SerialPort> port, Timing timing, TrafficLog log)
    : port_(std::move(port)), timing_(timing), log_(std::move(log)) {}

bool Link::Send(uint8_t op, std::span<const uint8_t> payload) {
    auto frame = EncodeCommand(op, payload);
    if (!frame || hungUp_) return false;
    log_.Write('>', *frame);
    if (port_->Write(*frame, timing_.replyMs)) return true;
    hungUp_ = true;
    log_.Write('!', {}, "write failed");
    return false;
}

// A reply past its deadline is not asked for again: a scanner that slow
// would only keep the caller waiting twice as long.
std::optional<Reply> Link::Transact(uint8_t op, std::span<const uint8_t> payload) {
    auto frame = EncodeCommand(op, payload);
    if (!frame) return std::nullopt;
    for (int attempt = 0; attempt < kAttempts && !hungUp_; ++attempt) {
        Outcome outcome = Outcome::Failed;
        if (auto reply = Attempt(op, *frame, outcome)) return reply;
        if (outcome == Outcome::Late) break;
    }
    return std::nullopt;
}

// Two limits: replyMs of silence, and the reply's deadline. A fixed-size
// reply's deadline follows from its size; an upload's grows with the bytes
// it brought so far, up to that of the longest upload, so that a scanner
// keeping pace with the line may take the minutes thousands of barcodes
// need, and one dripping slower than that is given up early.
std::optional<Reply> Link::Attempt(uint8_t op, std::span<const uint8_t> frame, Outcome& outcome) {
    port_->DiscardInput();
    log_.Write('>', frame);
    const auto start = Clock::now();
    if (!port_->Write(frame, timing_.replyMs)) {
        hungUp_ = true;
        log_.Write('!', {}, "write failed");
        return std::nullopt;
    }
    const ReplyShape shape = ReplyShapeFor(op);
    ReplyAssembler assembler(shape);
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        const size_t counted =
            shape.upload ? std::max(assembler.Size(), shape.MinReply()) : shape.MaxReply();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            start + ReplyDeadline(timing_, counted) - Clock::now());
        if (left.count() <= 0) {
            outcome = Outcome::Late;
            log_.Write('!', {},
                       "no complete reply within " +
                           std::to_string(ReplyDeadline(timing_, counted).count()) + " ms");
            return std::nullopt;
        }
        const int wait = static_cast<int>(std::min<long long>(left.count(), timing_.replyMs));
        const auto read = port_->Read(buffer, wait);
        using Status = SerialPort::ReadResult::Status;
        if (read.status == Status::HungUp) {
            hungUp_ = true;
            log_.Write('!', {}, "hung up");
            return std::nullopt;
        }
        if (read.status == Status::LineError) {
            log_.Write('!', {}, "parity or framing error");
            return std::nullopt;
        }
        if (read.status == Status::TimedOut) {
            // The deadline's end is told apart above, on the next turn.
            if (wait < timing_.replyMs) continue;
            log_.Write('!', {}, "no reply for " + std::to_string(timing_.replyMs) + " ms");
            return std::nullopt;
        }
        auto bytes = std::span<const uint8_t>(buffer).first(read.size);
        log_.Write('<', bytes);
        auto state = assembler.Feed(bytes);
        if (state == ReplyAssembler::State::Corrupt) {
            log_.Write('!', {}, "corrupt reply");
            return std::nullopt;
        }
        if (state == ReplyAssembler::State::Complete) {
            Reply reply;
            reply.bodyOffset = 2;
            reply.bodySize = assembler.Body().size();
            reply.bytes = assembler.TakeReply();
            return reply;
        }
    }
}

}  // namespace quarnel::opn2001
