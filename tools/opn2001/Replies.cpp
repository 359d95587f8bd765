// SPDX-License-Identifier: MIT
#include "Replies.h"

#include <algorithm>

namespace quarnel::opn2001 {
namespace {
constexpr size_t kIdentitySize = 8;
constexpr size_t kSoftwareSize = 8;
constexpr size_t kInterrogationBody = 1 + kIdentitySize + kSoftwareSize;
constexpr size_t kClockSize = 6;
constexpr size_t kParamSize = 2;
constexpr size_t kMaxUploadBody = kIdentitySize + kMaxRecords * kMaxRecordSize + 1;
}  // namespace

ReplyShape ReplyShapeFor(uint8_t op) {
    switch (op) {
        case opcode::kInterrogate:
            return {kInterrogationBody, kInterrogationBody, false};
        case opcode::kGetTime:
        case opcode::kSetTime:  // the clock set, echoed
            return {kClockSize, kClockSize, false};
        case opcode::kGetParam:
        case opcode::kSetParam:
            return {kParamSize, kParamSize, false};
        case opcode::kUpload:
            return {kIdentitySize, kMaxUploadBody, true};
        default:  // an empty confirmation
            return {};
    }
}

std::optional<Interrogation> ParseInterrogation(std::span<const uint8_t> reply,
                                                std::span<const uint8_t> body) {
    if (reply.size() < 2 || body.size() < kInterrogationBody) return std::nullopt;
    Interrogation result;
    result.protocol = reply[1];
    result.status = body[0];
    std::copy_n(body.begin() + 1, kIdentitySize, result.identity.begin());
    for (uint8_t c : body.subspan(1 + kIdentitySize, kSoftwareSize))
        if (c != 0) result.software += static_cast<char>(c);
    while (!result.software.empty() && result.software.back() == ' ') result.software.pop_back();
    return result;
}

std::optional<std::array<uint8_t, 6>> ParseClock(std::span<const uint8_t> body) {
    if (body.size() < kClockSize) return std::nullopt;
    std::array<uint8_t, 6> clock{};
    std::copy_n(body.begin(), kClockSize, clock.begin());
    return clock;
}

std::optional<uint8_t> ParseParam(std::span<const uint8_t> body, uint8_t id) {
    if (body.size() < 2 || body[0] != id) return std::nullopt;
    return body[1];
}

std::optional<Upload> ParseUpload(std::span<const uint8_t> body) {
    if (body.size() < kIdentitySize) return std::nullopt;
    Upload upload;
    std::copy_n(body.begin(), kIdentitySize, upload.identity.begin());
    size_t at = kIdentitySize;
    // The length-0 record may double as the pad, so the body may end without it.
    while (at < body.size() && body[at] != 0) {
        const size_t size = size_t{body[at]} + 1;
        if (at + size > body.size()) return std::nullopt;
        upload.records.push_back(body.subspan(at, size));
        at += size;
    }
    if (at + 1 < body.size()) return std::nullopt;  // bytes after the list
    return upload;
}

std::vector<uint8_t> UploadBody(const std::array<uint8_t, 8>& identity,
                                const std::vector<std::vector<uint8_t>>& records) {
    std::vector<uint8_t> body(identity.begin(), identity.end());
    for (const auto& record : records) body.insert(body.end(), record.begin(), record.end());
    body.push_back(0x00);
    return body;
}

}  // namespace quarnel::opn2001
