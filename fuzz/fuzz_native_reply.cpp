// SPDX-License-Identifier: MIT
// The native link's reply assembler and the reply parsers behind it. The
// first byte picks the command whose reply is awaited (low three bits) and,
// with its top bit, wraps the rest of the input as the body of a reply with
// a correct CRC, so that the parsers see more than CRC failures. The second
// byte gives the size of the pieces the bytes arrive in (low six bits, plus
// one). A complete reply must fit its command's reply shape.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzCheck.h"
#include "Protocol.h"
#include "Replies.h"
#include "ReplyAssembler.h"

using namespace quarnel::opn2001;

namespace {

constexpr uint8_t kOps[] = {opcode::kInterrogate, opcode::kClear,  opcode::kSetParam,
                            opcode::kPowerDown,   opcode::kUpload, opcode::kGetParam,
                            opcode::kSetTime,     opcode::kGetTime};

void Parse(uint8_t op, const ReplyAssembler& assembler) {
    const auto body = assembler.Body();
    switch (op) {
        case opcode::kInterrogate:
            ParseInterrogation(assembler.Reply(), body);
            break;
        case opcode::kGetTime:
            ParseClock(body);
            break;
        case opcode::kGetParam:
        case opcode::kSetParam:
            ParseParam(body, 2);
            break;
        case opcode::kUpload:
            // What an upload holds must be sent and read back the same.
            if (const auto upload = ParseUpload(body)) {
                std::vector<std::vector<uint8_t>> records;
                for (const auto record : upload->records)
                    records.emplace_back(record.begin(), record.end());
                const auto encoded = UploadBody(upload->identity, records);
                const auto again = ParseUpload(encoded);
                FUZZ_CHECK(again.has_value());
                FUZZ_CHECK(again->identity == upload->identity);
                FUZZ_CHECK(std::equal(
                    again->records.begin(), again->records.end(), records.begin(), records.end(),
                    [](std::span<const uint8_t> a, const std::vector<uint8_t>& b) {
                        return std::equal(a.begin(), a.end(), b.begin(), b.end());
                    }));
            }
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t op = kOps[data[0] & 7];
    const size_t piece = size_t{data[1] & 0x3Fu} + 1;
    std::span<const uint8_t> rest(data + 2, size - 2);
    std::vector<uint8_t> wrapped;
    if (data[0] & 0x80) {
        wrapped = EncodeReply(rest);
        rest = wrapped;
    }

    const ReplyShape shape = ReplyShapeFor(op);
    ReplyAssembler assembler(shape);
    for (size_t at = 0; at < rest.size(); at += piece) {
        const auto state = assembler.Feed(rest.subspan(at, std::min(piece, rest.size() - at)));
        if (state != ReplyAssembler::State::Waiting) break;
    }
    if (assembler.Current() != ReplyAssembler::State::Complete) return 0;

    const auto reply = assembler.Reply();
    FUZZ_CHECK(reply.size() >= 5 && reply[0] == kReplyStart && reply[1] == kStx);
    FUZZ_CHECK(reply[reply.size() - 3] == 0);
    FUZZ_CHECK(FrameCrc(reply.first(reply.size() - 3)) ==
               (reply[reply.size() - 2] << 8 | reply[reply.size() - 1]));
    FUZZ_CHECK(assembler.Body().size() == reply.size() - 5);
    FUZZ_CHECK(reply.size() >= shape.MinReply() && reply.size() <= shape.MaxReply());
    Parse(op, assembler);
    return 0;
}
