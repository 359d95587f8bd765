// SPDX-License-Identifier: MIT
#include "Protocol.h"

namespace quarnel::opn2001 {

uint16_t Crc16(std::span<const uint8_t> bytes) {
    Crc16Usb crc;
    crc.Update(bytes);
    return crc.Value();
}

uint16_t FrameCrc(std::span<const uint8_t> beforePad) {
    return Crc16(beforePad);
}

namespace {
void AppendCrc(std::vector<uint8_t>& frame, uint16_t crc) {
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
}
}  // namespace

std::optional<std::vector<uint8_t>> EncodeCommand(uint8_t op, std::span<const uint8_t> payload) {
    if (payload.size() > kMaxPayload) return std::nullopt;
    std::vector<uint8_t> frame{op, kStx, static_cast<uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    const uint16_t crc = FrameCrc(frame);
    if (!payload.empty()) frame.push_back(0x00);
    AppendCrc(frame, crc);
    return frame;
}

std::vector<uint8_t> EncodeReply(std::span<const uint8_t> body) {
    std::vector<uint8_t> frame{kReplyStart, kStx};
    frame.reserve(body.size() + 5);
    frame.insert(frame.end(), body.begin(), body.end());
    const uint16_t crc = FrameCrc(frame);
    frame.push_back(0x00);
    AppendCrc(frame, crc);
    return frame;
}

CommandScan ScanCommand(std::span<const uint8_t> bytes) {
    CommandScan scan;
    if (bytes.size() >= 2 && bytes[1] != kStx) {
        scan.result = CommandScan::Result::Garbled;
        scan.size = 1;
        return scan;
    }
    if (bytes.size() < 3) return scan;
    const size_t length = bytes[2] & kMaxPayload;
    const size_t pad = length != 0 ? 1 : 0;
    const size_t total = 3 + length + pad + 2;
    if (bytes.size() < total) return scan;
    const uint16_t sent = static_cast<uint16_t>(bytes[total - 2] << 8 | bytes[total - 1]);
    if ((pad != 0 && bytes[3 + length] != 0x00) || FrameCrc(bytes.first(3 + length)) != sent) {
        scan.result = CommandScan::Result::Garbled;
        scan.size = 1;
        return scan;
    }
    scan.result = CommandScan::Result::Complete;
    scan.size = total;
    scan.command.op = bytes[0];
    scan.command.payload.assign(bytes.begin() + 3, bytes.begin() + 3 + length);
    return scan;
}

}  // namespace quarnel::opn2001
