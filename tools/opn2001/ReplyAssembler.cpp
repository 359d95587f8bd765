#include "ReplyAssembler.h"

#include <algorithm>

namespace quarnel::opn2001 {
namespace {
constexpr size_t kHeader = 2;    // 0x06 0x02
constexpr size_t kTrailer = 3;   // pad and CRC
constexpr size_t kIdentity = 8;  // upload replies start with it
}  // namespace

ReplyAssembler::ReplyAssembler(ReplyShape shape, size_t limit) : shape_(shape), limit_(limit) {}

ReplyAssembler::State ReplyAssembler::Feed(std::span<const uint8_t> bytes) {
    while (!bytes.empty() && state_ == State::Waiting) {
        // Inside an upload's record nothing can end the reply: the bytes up
        // to the next length byte go in at once.
        const size_t at = reply_.size();
        if (shape_.upload && listEnd_ == 0 && at > kHeader && at < nextRecord_) {
            const size_t run = std::min(nextRecord_ - at, bytes.size());
            Append(bytes.first(run));
            bytes = bytes.subspan(run);
            continue;
        }
        Take(bytes.front());
        bytes = bytes.subspan(1);
    }
    return state_;
}

void ReplyAssembler::Append(std::span<const uint8_t> bytes) {
    size_t n = reply_.size();
    Crc16Usb crc = crcs_[n % crcs_.size()];
    // Only the registers of the last four lengths are kept.
    const size_t quiet = bytes.size() > crcs_.size() ? bytes.size() - crcs_.size() : 0;
    crc.Update(bytes.first(quiet));
    n += quiet;
    for (uint8_t byte : bytes.subspan(quiet)) {
        crc.Update(byte);
        crcs_[++n % crcs_.size()] = crc;
    }
    reply_.insert(reply_.end(), bytes.begin(), bytes.end());
    if (reply_.size() >= limit_) state_ = State::Corrupt;
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
        crcs_[0] = Crc16Usb{};
        nextRecord_ = kHeader + kIdentity;
        listEnd_ = 0;
    }
    Crc16Usb next = crcs_[reply_.size() % crcs_.size()];
    next.Update(byte);
    reply_.push_back(byte);
    crcs_[reply_.size() % crcs_.size()] = next;

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
    // The register after n - 3 bytes: everything before the pad.
    const uint16_t sent = static_cast<uint16_t>(reply_[n - 2] << 8 | reply_[n - 1]);
    return crcs_[pad % crcs_.size()].Value() == sent;
}

}  // namespace quarnel::opn2001
