// SPDX-License-Identifier: MIT
#include "ReplyAssembler.h"

#include <algorithm>

namespace quarnel::opn2001 {
namespace {
constexpr size_t kHeader = 2;    // 0x06 0x02
constexpr size_t kTrailer = 3;   // pad and CRC
constexpr size_t kIdentity = 8;  // upload replies start with it
}  // namespace

ReplyAssembler::ReplyAssembler(ReplyShape shape) : shape_(shape) {}

ReplyAssembler::State ReplyAssembler::Feed(std::span<const uint8_t> bytes) {
    while (!bytes.empty() && state_ == State::Waiting) {
        // Before an upload's list has ended nothing can end the reply: the
        // bytes up to the length-0 record go in at once, record lengths
        // walked on the way.
        const size_t at = reply_.size();
        if (shape_.upload && listEnd_ == 0 && at >= kHeader) {
            const size_t end = at + bytes.size();
            size_t next = nextRecord_;
            while (next < end && bytes[next - at] != 0) next += size_t{bytes[next - at]} + 1;
            const size_t run = std::min(next, end) - at;
            if (run > 0) {
                nextRecord_ = next;
                Append(bytes.first(run));
                bytes = bytes.subspan(run);
                continue;
            }
        }
        Take(bytes.front());
        bytes = bytes.subspan(1);
    }
    return state_;
}

// No reply can end within these bytes, so no register of theirs is kept.
void ReplyAssembler::Append(std::span<const uint8_t> bytes) {
    crc_.Update(bytes);
    reply_.insert(reply_.end(), bytes.begin(), bytes.end());
    if (reply_.size() >= shape_.MaxReply()) state_ = State::Corrupt;
}

std::span<const uint8_t> ReplyAssembler::Body() const {
    if (reply_.size() < kHeader + kTrailer) return {};
    return std::span<const uint8_t>(reply_).subspan(kHeader, reply_.size() - kHeader - kTrailer);
}

void ReplyAssembler::Take(uint8_t byte) {
    if (reply_.empty() && byte != kReplyStart) {
        ++skipped_;
        return;
    }
    if (reply_.size() == 1 && byte != kStx) {
        // A false start: it may itself be the start of the real reply.
        ++skipped_;
        reply_.clear();
        if (byte != kReplyStart) {
            ++skipped_;
            return;
        }
    }
    if (reply_.empty()) {
        crc_ = Crc16Usb{};
        nextRecord_ = kHeader + kIdentity;
        listEnd_ = 0;
    }
    // The register before this byte too: bytes taken by Append left none.
    crcs_[reply_.size() % crcs_.size()] = crc_;
    crc_.Update(byte);
    reply_.push_back(byte);
    crcs_[reply_.size() % crcs_.size()] = crc_;

    const size_t at = reply_.size() - 1;
    if (shape_.upload && listEnd_ == 0 && at == nextRecord_) {
        if (byte == 0)
            listEnd_ = at;
        else
            nextRecord_ += size_t{byte} + 1;
    }
    if (EndsHere())
        state_ = State::Complete;
    else if (reply_.size() >= shape_.MaxReply() ||
             (listEnd_ != 0 && reply_.size() > listEnd_ + kTrailer + 1))
        state_ = State::Corrupt;
}

bool ReplyAssembler::EndsHere() const {
    const size_t n = reply_.size();
    if (n < kHeader + shape_.minBody + kTrailer) return false;
    const size_t pad = n - kTrailer;
    if (reply_[pad] != 0x00) return false;
    if (shape_.upload) {
        if (listEnd_ == 0 || (listEnd_ != pad && listEnd_ + 1 != pad)) return false;
        // The list's end doubles as the pad only when no pad follows it.
        if (listEnd_ == pad && reply_[pad + 1] == 0x00) return false;
    }
    // The register after n - 3 bytes: everything before the pad.
    const uint16_t sent = static_cast<uint16_t>(reply_[n - 2] << 8 | reply_[n - 1]);
    return crcs_[pad % crcs_.size()].Value() == sent;
}

}  // namespace quarnel::opn2001
