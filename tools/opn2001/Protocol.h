// SPDX-License-Identifier: MIT
// The OPN-2001 serial protocol without any I/O: opcodes, the CRC, host
// command frames and scanner reply frames.
//
// A command is: opcode, 0x02, length (low 5 bits), payload, one 0x00 pad
// byte only when the length is not 0, CRC-16 high byte first. A reply is:
// 0x06, 0x02, body, 0x00 pad, CRC-16 high byte first. The CRC never covers
// the pad (see FrameCrc).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarnel::opn2001 {

namespace opcode {
inline constexpr uint8_t kInterrogate = 0x01;
inline constexpr uint8_t kClear = 0x02;
inline constexpr uint8_t kSetParam = 0x03;
inline constexpr uint8_t kPowerDown = 0x05;
inline constexpr uint8_t kUpload = 0x07;
inline constexpr uint8_t kGetParam = 0x08;
inline constexpr uint8_t kSetTime = 0x09;
inline constexpr uint8_t kGetTime = 0x0A;
}  // namespace opcode

inline constexpr uint8_t kReplyStart = 0x06;
inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kStatusSwitching = 0x05;  // "ask again in about 5 s"
inline constexpr size_t kMaxPayload = 0x1F;        // the length field's 5 bits

// CRC-16/USB: reflected polynomial 0xA001, initial 0xFFFF, result inverted.
namespace detail {
// table[0]: the register's change for each value of its low byte, eight
// bits at once; table[k]: the same followed by k zero bytes, so that four
// bytes are taken in one step.
constexpr std::array<std::array<uint16_t, 256>, 4> MakeCrcTables() {
    std::array<std::array<uint16_t, 256>, 4> tables{};
    for (unsigned value = 0; value < 256; ++value) {
        uint16_t r = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 1) != 0 ? static_cast<uint16_t>((r >> 1) ^ 0xA001)
                             : static_cast<uint16_t>(r >> 1);
        tables[0][value] = r;
    }
    for (size_t k = 1; k < tables.size(); ++k)
        for (unsigned value = 0; value < 256; ++value) {
            uint16_t r = tables[k - 1][value];
            tables[k][value] = static_cast<uint16_t>((r >> 8) ^ tables[0][r & 0xFF]);
        }
    return tables;
}
inline constexpr auto kCrcTables = MakeCrcTables();
}  // namespace detail

class Crc16Usb {
  public:
    void Update(uint8_t byte) {
        register_ = static_cast<uint16_t>((register_ >> 8) ^
                                          detail::kCrcTables[0][(register_ ^ byte) & 0xFF]);
    }
    void Update(std::span<const uint8_t> bytes) {
        const auto& t = detail::kCrcTables;
        while (bytes.size() >= 4) {
            const unsigned low = (register_ ^ bytes[0]) & 0xFF;
            const unsigned high = ((register_ >> 8) ^ bytes[1]) & 0xFF;
            register_ =
                static_cast<uint16_t>(t[3][low] ^ t[2][high] ^ t[1][bytes[2]] ^ t[0][bytes[3]]);
            bytes = bytes.subspan(4);
        }
        for (uint8_t b : bytes) Update(b);
    }
    uint16_t Value() const { return static_cast<uint16_t>(~register_); }

  private:
    uint16_t register_ = 0xFFFF;
};
uint16_t Crc16(std::span<const uint8_t> bytes);

// The CRC of a frame of either direction, given the frame's bytes before
// its pad. Whether the host's CRC leaves the pad out is inferred from the
// replies; this is the one place that decides it.
uint16_t FrameCrc(std::span<const uint8_t> beforePad);

// A host command frame; nothing when the payload does not fit 5 bits.
std::optional<std::vector<uint8_t>> EncodeCommand(uint8_t op, std::span<const uint8_t> payload);

// A reply frame around body.
std::vector<uint8_t> EncodeReply(std::span<const uint8_t> body);

// Reading host commands from a byte stream (the emulator's side).
struct Command {
    uint8_t op = 0;
    std::vector<uint8_t> payload;
};
struct CommandScan {
    enum class Result { NeedMore, Garbled, Complete } result = Result::NeedMore;
    size_t size = 0;  // bytes taken by the frame (Complete) or to drop (Garbled)
    Command command;
};
// Looks at the frame at the start of bytes.
CommandScan ScanCommand(std::span<const uint8_t> bytes);

}  // namespace quarnel::opn2001
