#include "ReplyAssembler.h"

namespace quarnel::opn2001 {
namespace {
constexpr size_t kHeader = 2;    // 0x06 0x02
constexpr size_t kTrailer = 3;   // pad and CRC
constexpr size_t kIdentity = 8;  // upload replies start with it
}  // namespace

ReplyAssembler::ReplyAssembler(ReplyShape shape, size_t limit) : shape_(shape), limit_(limit) {}

ReplyAssembler::State ReplyAssembler::Feed(std::span<const uint8_t> bytes) {
    for (uint8_t byte : bytes) {
        if (state_ != State::Waiting) break;
        Take(byte);
    }
    return state_;
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
        crcs_.fill(Crc16Usb{});
        nextRecord_ = kHeader + kIdentity;
        listEnd_ = 0;
    }
    reply_.push_back(byte);
    Crc16Usb next = crcs_.back();
    next.Update(byte);
    for (size_t i = 0; i + 1 < crcs_.size(); ++i) crcs_[i] = crcs_[i + 1];
    crcs_.back() = next;

    const size_t at = reply_.size() - 1;
    if (shape_.upload && listEnd_ == 0 && at == nextRecord_) {
        if (byte == 0)
            listEnd_ = at;
        else
            nextRecord_ += size_t{byte} + 1;
    }
    if (EndsHere())
        state_ = State::Complete;
    else if (reply_.size() >= limit_ || (listEnd_ != 0 && reply_.size() > listEnd_ + kTrailer + 1))
        state_ = State::Corrupt;
}

bool ReplyAssembler::EndsHere() const {
    const size_t n = reply_.size();
    if (n < kHeader + shape_.minBody + kTrailer) return false;
    const size_t pad = n - kTrailer;
    if (reply_[pad] != 0x00) return false;
    if (shape_.upload && listEnd_ != pad && listEnd_ + 1 != pad) return false;
    if (shape_.upload && listEnd_ == 0) return false;
    // crcs_[0] is the register after n - 3 bytes: everything before the pad.
    const uint16_t sent = static_cast<uint16_t>(reply_[n - 2] << 8 | reply_[n - 1]);
    return crcs_[0].Value() == sent;
}

}  // namespace quarnel::opn2001
