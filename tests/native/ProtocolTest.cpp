// SPDX-License-Identifier: MIT
// The protocol engine without a line: CRC, command frames, reply assembly
// fed in every split, reply contents and the symbology table.
#include <gmock/gmock.h>

#include <string_view>

#include "CodeTypes.h"
#include "MarkedInput.h"
#include "Protocol.h"
#include "Replies.h"
#include "ReplyAssembler.h"

namespace quarnel::opn2001 {
namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// An interrogation body whose identity holds zero bytes, so that the
// completion test meets 0x00 bytes before the real pad.
const Bytes kInterrogationBody = {0x00, 0x00, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0xFE, 0xFF,
                                  '2',  '.',  '4',  0x00, 0x00, 0x00, 0x00, 0x00};

// Two records: EAN-13 with the worked time stamp, and one with a zero in its data.
const Bytes kRecord1 = {0x12, 0x0B, '8', '7', '1', '2',  '3',  '4',  '5', '6',
                        '7',  '8',  '9', '0', '6', 0x72, 0xF3, 0xDD, 0x0D};
const Bytes kRecord2 = {0x08, 0x03, 'A', 0x00, 'B', 0x72, 0xF3, 0xDD, 0x0D};

std::vector<Bytes> Records(const Upload& upload) {
    std::vector<Bytes> records;
    for (auto record : upload.records) records.emplace_back(record.begin(), record.end());
    return records;
}

Bytes UploadReply() {
    return EncodeReply(UploadBody({1, 2, 3, 4, 5, 6, 7, 8}, {kRecord1, kRecord2}));
}

TEST(ProtocolTest, CommandFramesWrittenAndReadBack) {
    const std::string_view check = "123456789";
    EXPECT_EQ(Crc16(Bytes(check.begin(), check.end())), 0xB4C8);
    EXPECT_THAT(*EncodeCommand(opcode::kInterrogate, {}),
                ElementsAre(0x01, 0x02, 0x00, 0x9F, 0xDE));
    // With a payload the pad follows it, outside the CRC.
    const Bytes getBeeper = *EncodeCommand(opcode::kGetParam, Bytes{0x02});
    const uint16_t crc = Crc16(Bytes{0x08, 0x02, 0x01, 0x02});
    EXPECT_THAT(getBeeper, ElementsAre(0x08, 0x02, 0x01, 0x02, 0x00, crc >> 8, crc & 0xFF));
    EXPECT_FALSE(EncodeCommand(opcode::kSetTime, Bytes(32, 0)));

    const Bytes setTime{16, 29, 17, 5, 12, 26};
    for (uint8_t op : {opcode::kInterrogate, opcode::kSetTime, opcode::kUpload}) {
        Bytes payload = op == opcode::kSetTime ? setTime : Bytes{};
        Bytes frame = *EncodeCommand(op, payload);
        for (size_t cut = 0; cut < frame.size(); ++cut)
            EXPECT_EQ(ScanCommand(std::span(frame).first(cut)).result,
                      CommandScan::Result::NeedMore)
                << +op << " cut " << cut;
        CommandScan scan = ScanCommand(frame);
        ASSERT_EQ(scan.result, CommandScan::Result::Complete);
        EXPECT_EQ(scan.size, frame.size());
        EXPECT_EQ(scan.command.op, op);
        EXPECT_EQ(scan.command.payload, payload);

        frame.back() ^= 1;  // a broken CRC costs the first byte, for resynchronising
        EXPECT_EQ(ScanCommand(frame).result, CommandScan::Result::Garbled);
        EXPECT_EQ(ScanCommand(frame).size, 1u);
    }
    EXPECT_EQ(ScanCommand(Bytes{0x07, 0x07}).result, CommandScan::Result::Garbled);
}

TEST(ReplyAssemblerTest, EverySplitOfAReplyAssemblesTheSameReply) {
    const Bytes noise = {0xFF, 0x06, 0x00, 0x06, 0x06, 0x13};
    struct Case {
        uint8_t op;
        Bytes reply;
    };
    const Case cases[] = {{opcode::kInterrogate, EncodeReply(kInterrogationBody)},
                          {opcode::kUpload, UploadReply()},
                          {opcode::kClear, EncodeReply({})}};
    for (const auto& [op, reply] : cases) {
        Bytes stream = noise;
        stream.insert(stream.end(), reply.begin(), reply.end());
        for (size_t cut = 0; cut <= stream.size(); ++cut) {
            ReplyAssembler assembler(ReplyShapeFor(op));
            const auto whole = std::span<const uint8_t>(stream);
            EXPECT_EQ(assembler.Feed(whole.first(cut)), cut < stream.size()
                                                            ? ReplyAssembler::State::Waiting
                                                            : ReplyAssembler::State::Complete);
            ASSERT_EQ(assembler.Feed(whole.subspan(cut)), ReplyAssembler::State::Complete)
                << +op << " cut " << cut;
            EXPECT_THAT(assembler.Reply(), ElementsAreArray(reply));
            EXPECT_EQ(assembler.Skipped(), noise.size());
        }
        ReplyAssembler bytewise(ReplyShapeFor(op));
        for (uint8_t b : stream) bytewise.Feed(std::span(&b, 1));
        EXPECT_EQ(bytewise.Current(), ReplyAssembler::State::Complete);
        // Bytes after a complete reply are not taken.
        EXPECT_EQ(bytewise.Feed(Bytes{0x06, 0x02}), ReplyAssembler::State::Complete);
        EXPECT_THAT(bytewise.Reply(), ElementsAreArray(reply));
    }
}

TEST(ReplyAssemblerTest, BrokenRepliesNeverComplete) {
    Bytes interrogation = EncodeReply(kInterrogationBody);
    interrogation.back() ^= 0x40;
    ReplyAssembler plain(ReplyShapeFor(opcode::kInterrogate));
    EXPECT_EQ(plain.Feed(interrogation), ReplyAssembler::State::Corrupt);

    // An upload knows where its list ends, so a broken one fails at once.
    Bytes upload = UploadReply();
    upload[upload.size() - 2] ^= 0x01;
    ReplyAssembler structured(ReplyShapeFor(opcode::kUpload));
    EXPECT_EQ(structured.Feed(upload), ReplyAssembler::State::Waiting);
    EXPECT_EQ(structured.Feed(Bytes{0x00}), ReplyAssembler::State::Corrupt);

    // A reply longer than its command's fixed size is corrupt at that size,
    // even with a correct CRC; an upload may not outgrow kMaxRecords records.
    const std::pair<uint8_t, size_t> sizes[] = {{opcode::kInterrogate, 17},
                                                {opcode::kGetTime, 6},
                                                {opcode::kSetTime, 6},
                                                {opcode::kGetParam, 2},
                                                {opcode::kClear, 0}};
    for (const auto& [op, body] : sizes) {
        ReplyAssembler longer(ReplyShapeFor(op));
        Bytes reply = EncodeReply(Bytes(body + 1, 0x11));
        EXPECT_EQ(longer.Feed(std::span(reply).first(body + 4)), ReplyAssembler::State::Waiting);
        EXPECT_EQ(longer.Feed(std::span(reply).subspan(body + 4)), ReplyAssembler::State::Corrupt)
            << +op;
        EXPECT_EQ(longer.Size(), body + 5);
    }
    Bytes endless = {0x06, 0x02, 1, 2, 3, 4, 5, 6, 7, 8};
    for (size_t i = 0; i < kMaxRecords; ++i) endless.insert(endless.end(), kMaxRecordSize, 49);
    ReplyAssembler tooLong(ReplyShapeFor(opcode::kUpload));
    EXPECT_EQ(tooLong.Feed(endless), ReplyAssembler::State::Waiting);
    EXPECT_EQ(tooLong.Feed(Bytes(5, 0x01)), ReplyAssembler::State::Corrupt);
}

// The CRC is tested at the frame's real end: with the pad after the list's
// length-0 record, a frame whose bytes up to that record match the CRC by
// chance is not taken. Among the single-byte changes of a long upload's data
// bytes, those are found through the CRC's linearity: changing byte p by e
// changes the CRC by e's register shifted through the bytes after p.
TEST(ReplyAssemblerTest, TheCrcIsTestedAtTheRealEnd) {
    std::vector<Bytes> records;
    for (int i = 0; i < 400; ++i) {
        Bytes record = kRecord1;
        record[14] = static_cast<uint8_t>('0' + i % 10);
        record[13] = static_cast<uint8_t>('0' + i / 10 % 10);
        records.push_back(record);
    }
    const Bytes frame = EncodeReply(UploadBody({1, 2, 3, 4, 5, 6, 7, 8}, records));
    const size_t listEnd = frame.size() - 4;
    const uint16_t beforeEnd = Crc16(std::span(frame).first(listEnd));
    const uint8_t firstCrcByte = frame[listEnd + 2];
    const auto& table = detail::kCrcTables[0];
    std::array<uint16_t, 256> change{};  // for each e, the CRC's change
    size_t chanceMatches = 0;
    for (size_t p = listEnd; p-- > 10;) {
        for (unsigned e = 0; e < 256; ++e)
            change[e] = p + 1 == listEnd
                            ? table[e]
                            : static_cast<uint16_t>((change[e] >> 8) ^ table[change[e] & 0xFF]);
        if ((p - 10) % kRecord1.size() == 0) continue;  // length bytes steer the list
        for (unsigned e = 1; e < 256; ++e) {
            if ((beforeEnd ^ change[e]) != firstCrcByte) continue;
            Bytes changed = frame;
            changed[p] ^= static_cast<uint8_t>(e);
            ASSERT_EQ(Crc16(std::span(changed).first(listEnd)), firstCrcByte);
            ReplyAssembler assembler(ReplyShapeFor(opcode::kUpload));
            EXPECT_NE(assembler.Feed(changed), ReplyAssembler::State::Complete) << p << " " << e;
            ++chanceMatches;
        }
    }
    EXPECT_GT(chanceMatches, 0u);
}

// PARMRK input: 0xFF doubled, a byte with an error after 0xFF 0x00, in
// every split across reads.
TEST(MarkedInputTest, MarksAreUndoneAndErrorsCounted) {
    const std::tuple<Bytes, Bytes, size_t> cases[] = {
        {{0x41, 0xFF, 0xFF, 0x42}, {0x41, 0xFF, 0x42}, 0},
        {{0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF}, 0},
        {{0x41, 0xFF, 0x00, 0x58, 0x42}, {0x41, 0x42}, 1},
        {{0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF}, {}, 2},  // a break, then 0xFF with an error
        {{0x41, 0xFF, 0x41}, {0x41}, 1}};
    for (const auto& [marked, received, errors] : cases) {
        for (size_t cut = 0; cut <= marked.size(); ++cut) {
            MarkedInput input;
            Bytes bytes = marked;
            const size_t first = input.Decode(std::span(bytes).first(cut));
            Bytes decoded(bytes.begin(), bytes.begin() + static_cast<long>(first));
            const size_t second = input.Decode(std::span(bytes).subspan(cut));
            decoded.insert(decoded.end(), bytes.begin() + static_cast<long>(cut),
                           bytes.begin() + static_cast<long>(cut + second));
            EXPECT_EQ(decoded, received) << "cut " << cut;
            EXPECT_EQ(input.TakeErrors(), errors);
            EXPECT_EQ(input.TakeErrors(), 0u);
        }
    }
    MarkedInput input;
    Bytes mark = {0xFF};
    input.Decode(mark);
    input.Reset();  // the mark's rest was discarded
    Bytes plain = {0x00, 0x41};
    EXPECT_EQ(input.Decode(plain), 2u);
}

TEST(RepliesTest, ContentsOfReplies) {
    ReplyAssembler assembler(ReplyShapeFor(opcode::kInterrogate));
    ASSERT_EQ(assembler.Feed(EncodeReply(kInterrogationBody)), ReplyAssembler::State::Complete);
    auto info = ParseInterrogation(assembler.Reply(), assembler.Body());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->protocol, 2);
    EXPECT_EQ(info->status, 0);
    EXPECT_THAT(info->identity, ElementsAre(0x00, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0xFE, 0xFF));
    EXPECT_EQ(info->software, "2.4");
    EXPECT_FALSE(ParseInterrogation(assembler.Reply(), assembler.Body().first(16)));

    const Bytes records = UploadBody({1, 2, 3, 4, 5, 6, 7, 8}, {kRecord1, kRecord2});
    const Upload upload = ParseUpload(records).value();
    EXPECT_THAT(upload.identity, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
    EXPECT_THAT(Records(upload), ElementsAre(kRecord1, kRecord2));
    EXPECT_TRUE(ParseUpload(Bytes(8, 0))->records.empty());
    // The list's end may double as the pad: the length-0 record is the pad.
    Bytes padded = UploadBody({1, 2, 3, 4, 5, 6, 7, 8}, {kRecord2});
    padded.pop_back();
    assembler = ReplyAssembler(ReplyShapeFor(opcode::kUpload));
    ASSERT_EQ(assembler.Feed(EncodeReply(padded)), ReplyAssembler::State::Complete);
    EXPECT_THAT(Records(ParseUpload(assembler.Body()).value()), ElementsAre(kRecord2));
    // A record running past the end, or bytes after the list's end.
    EXPECT_FALSE(ParseUpload(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0x09, 0x03, 'A'}));
    EXPECT_FALSE(ParseUpload(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0x00, 0x00, 0x00}));

    EXPECT_EQ(ParseParam(Bytes{0x02, 0x01}, 2), 1);
    EXPECT_FALSE(ParseParam(Bytes{0x03, 0x01}, 2));  // the answer to another parameter
    EXPECT_FALSE(ParseClock(Bytes{0, 59, 23, 31, 12}));
}

TEST(CodeTypesTest, NamesFitTheNameBuffer) {
    EXPECT_EQ(SymbologyName(0x90), "UPCE1+5");
    for (int id = 0; id < 256; ++id) EXPECT_LT(SymbologyName(id).value_or("").size(), 20u) << id;
}

}  // namespace
}  // namespace quarnel::opn2001
