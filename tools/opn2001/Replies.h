// SPDX-License-Identifier: MIT
// The contents of the scanner's replies, read from a complete reply's body.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ReplyAssembler.h"

namespace quarnel::opn2001 {

// The most records an upload may hold, and the longest record the packet
// buffer takes (its length byte included).
inline constexpr size_t kMaxRecords = 32767;
inline constexpr size_t kMaxRecordSize = 50;

// The shape of the reply each command gets: each has its fixed size, an
// upload at most the size of kMaxRecords records of kMaxRecordSize.
ReplyShape ReplyShapeFor(uint8_t op);

struct Interrogation {
    uint8_t protocol = 0;  // the reply's second byte
    uint8_t status = 0;    // 0 all well, 0x05 switching, others e.g. low battery
    std::array<uint8_t, 8> identity{};
    std::string software;  // up to 8 characters, NULs and trailing blanks removed
};
std::optional<Interrogation> ParseInterrogation(std::span<const uint8_t> reply,
                                                std::span<const uint8_t> body);

// Second, minute, hour, day, month, year - 2000.
std::optional<std::array<uint8_t, 6>> ParseClock(std::span<const uint8_t> body);

// The value of parameter id from a [id, value] reply.
std::optional<uint8_t> ParseParam(std::span<const uint8_t> body, uint8_t id);

// An upload: the identity and each record as it stands, length byte first
// ([N][code id][N - 5 data bytes][4-byte time stamp]), as views into the
// body it was read from.
struct Upload {
    std::array<uint8_t, 8> identity{};
    std::vector<std::span<const uint8_t>> records;
};
std::optional<Upload> ParseUpload(std::span<const uint8_t> body);
// The body of an upload reply for these records (the emulator's side).
std::vector<uint8_t> UploadBody(const std::array<uint8_t, 8>& identity,
                                const std::vector<std::vector<uint8_t>>& records);

}  // namespace quarnel::opn2001
