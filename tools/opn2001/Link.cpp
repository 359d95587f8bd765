// SPDX-License-Identifier: MIT
#include "Link.h"

#include <array>
#include <chrono>
#include <string>

#include "Replies.h"

namespace quarnel::opn2001 {
namespace {
constexpr int kAttempts = 2;
constexpr auto kByteTimeAllowance = std::chrono::milliseconds(10);
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

std::optional<Reply> Link::Transact(uint8_t op, std::span<const uint8_t> payload) {
    auto frame = EncodeCommand(op, payload);
    if (!frame) return std::nullopt;
    for (int attempt = 0; attempt < kAttempts && !hungUp_; ++attempt) {
        if (auto reply = Attempt(op, *frame)) return reply;
    }
    return std::nullopt;
}

// The time-out counts silence, not the whole reply: an upload of thousands
// of barcodes takes minutes at 9600 baud. A stream that never completes
// still ends: the whole reply may take the time-out plus 10 ms a byte,
// about ten times what a byte needs at 9600 baud.
std::optional<Reply> Link::Attempt(uint8_t op, std::span<const uint8_t> frame) {
    port_->DiscardInput();
    log_.Write('>', frame);
    if (!port_->Write(frame, timing_.replyMs)) {
        hungUp_ = true;
        log_.Write('!', {}, "write failed");
        return std::nullopt;
    }
    ReplyAssembler assembler(ReplyShapeFor(op));
    std::array<uint8_t, 4096> buffer{};
    const auto start = std::chrono::steady_clock::now();
    size_t received = 0;
    for (;;) {
        long got = port_->Read(buffer, timing_.replyMs);
        if (got < 0) {
            hungUp_ = true;
            log_.Write('!', {}, "hung up");
            return std::nullopt;
        }
        if (got == 0) {
            log_.Write('!', {},
                       "no complete reply within " + std::to_string(timing_.replyMs) + " ms");
            return std::nullopt;
        }
        auto bytes = std::span<const uint8_t>(buffer).first(static_cast<size_t>(got));
        log_.Write('<', bytes);
        received += bytes.size();
        if (std::chrono::steady_clock::now() - start >
            std::chrono::milliseconds(timing_.replyMs) + received * kByteTimeAllowance) {
            log_.Write('!', {}, "reply too slow");
            return std::nullopt;
        }
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
