// SPDX-License-Identifier: MIT
// What the link does on every platform: every operation through
// clsOPN2001, the raw results, each misbehaviour of the line, and the time
// a connection takes to give up.
#include "LinkTest.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Protocol.h"
#include "Timing.h"
#include "model/clsBarcode.h"

namespace quarnel::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

TEST_F(LinkTest, EveryOperationThroughTheScannerObject) {
    Serve();
    auto scanner = Scanner();
    ASSERT_TRUE(scanner->Connect(static_cast<uint8_t>(port_)));
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoSWVersion)), "2.4");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoSystemStatus)), "22");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoProtocol)), "2");

    ASSERT_EQ(scanner->ReadBarcodes(true), 3);
    ASSERT_EQ(raised_.size(), 1u);
    const DateTime stamped{2013, 4, 23, 7, 47, 28};
    std::vector<std::tuple<std::string, std::string, DateTime>> read;
    for (int i = 1; i <= 3; ++i) {
        auto barcode = raised_[0]->Barcode(i);
        read.emplace_back(barcode->Barcode(), barcode->Symbology(), barcode->TimeStamp());
    }
    EXPECT_THAT(read, ElementsAre(std::make_tuple("8712345678906", "EAN-13", stamped),
                                  std::make_tuple("Q0002", "Code 128", stamped),
                                  std::make_tuple("AB", "Code 128", stamped)));
    EXPECT_EQ(host_->Records(), 0u);
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);  // the upload counted none

    uint8_t beeper = 7;
    EXPECT_TRUE(scanner->GetParam(2, beeper));
    EXPECT_EQ(beeper, 1);
    EXPECT_TRUE(scanner->SetParam(2, 0));
    EXPECT_EQ(host_->Param(2), 0);
    EXPECT_FALSE(scanner->GetParam(9, beeper));  // the scanner does not answer
    EXPECT_FALSE(scanner->SetDefaults());

    const DateTime wanted{2026, 12, 5, 17, 29, 16};
    EXPECT_TRUE(scanner->SetDateTime(wanted));
    DateTime clock;
    EXPECT_TRUE(scanner->GetDateTime(clock));
    EXPECT_LE(std::abs(clock.ToTimeT() - wanted.ToTimeT()), 2);
    EXPECT_EQ(scanner->GetDLLVersion(), QUARNEL_VERSION);

    EXPECT_TRUE(scanner->Disconnect());
    // The power-down needs no reply: wait until the emulator has it.
    for (const auto deadline = Clock::now() + 30s;
         host_->Commands().back() != opn2001::opcode::kPowerDown && Clock::now() < deadline;)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(host_->Commands().back(), opn2001::opcode::kPowerDown);
    EXPECT_EQ(library_->csp2Interrogate(), -1);
}

TEST_F(LinkTest, ResultsOfTheLibraryFunctions) {
    EXPECT_EQ(library_->csp2InitEx(0), -3);
    for (auto call :
         {&platform::ScannerLibrary::csp2DataAvailable, &platform::ScannerLibrary::csp2ReadData,
          &platform::ScannerLibrary::csp2ClearData})
        EXPECT_EQ(((*library_).*call)(), -1);
    EXPECT_LT(library_->csp2SetDefaults(), 0);

    uint8_t name[20] = {};
    EXPECT_EQ(library_->csp2GetCodeType(0x0B, name, 20), 6);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "EAN-13");
    EXPECT_LT(library_->csp2GetCodeType(0x0D, name, 20), 0);
    EXPECT_LT(library_->csp2GetCodeType(0x0B, name, 6), 0);

    Serve();
    ASSERT_EQ(library_->csp2InitEx(port_), 0);
    // Without a CTS line on the port the upload counts the barcodes.
    ASSERT_EQ(library_->csp2DataAvailable(), 3);
    ASSERT_EQ(library_->csp2ReadData(), 3);
    uint8_t packet[50] = {};
    EXPECT_EQ(library_->csp2GetPacket(packet, 0, 50), 19);
    EXPECT_EQ(packet[1], 0x0B);
    EXPECT_LT(library_->csp2GetPacket(packet, 0, 18), 0);
    EXPECT_LT(library_->csp2GetPacket(packet, 3, 50), 0);
    uint8_t version[9] = {};
    EXPECT_EQ(library_->csp2GetSwVersion(version, 9), 4);
    EXPECT_LT(library_->csp2GetSwVersion(version, 3), 0);
}

// Faults the link rides out (every barcode arrives, the scanner is cleared
// once) and faults that fail the read-out within the time-outs, the scanner
// keeping its barcodes.
TEST_F(LinkTest, MisbehavioursOfTheLine) {
    const std::pair<std::string, int32_t> cases[] = {{"--garbage", 3},
                                                     {"--split --split-pause 1", 3},
                                                     {"--bad-crc --on 07 --times 1", 3},
                                                     {"--silent --on 07 --times 1", 3},
                                                     {"--switching 150", 3},
                                                     {"--bad-crc --on 07", -1},
                                                     {"--silent --on 07", -1},
                                                     {"--hang-up --on 07", -1},
                                                     {"--drip 1 --on 07", -1}};
    for (const auto& [options, result] : cases) {
        SCOPED_TRACE(options);
        // Bytes a millisecond apart are slower than the shortened line time
        // allows: the link rides them out at its real times.
        std::optional<ScopedEnv> times;
        if (options.starts_with("--split"))
            times.emplace(opn2001::kTimeScaleVariable, std::nullopt);
        Serve(options);
        raised_.clear();
        auto scanner = Scanner();
        ASSERT_TRUE(scanner->Connect(static_cast<uint8_t>(port_)));
        EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
        trace_.Clear();
        auto start = Clock::now();
        EXPECT_EQ(scanner->ReadBarcodes(true), result);
        EXPECT_EQ(raised_.size(), result < 0 ? 0u : 1u);
        EXPECT_EQ(host_->Records(), result < 0 ? 3u : 0u);
        auto commands = host_->Commands();
        EXPECT_EQ(std::ranges::count(commands, opn2001::opcode::kClear), result < 0 ? 0 : 1);
        if (result < 0) {
            EXPECT_LT(Clock::now() - start, 3s);
            EXPECT_TRUE(trace_.Contains(
                "Error while reading scanned data: [57] Device I/O error (Quarnel)"));
            // The read-out took over the failed upload that looked for data.
            EXPECT_LE(std::ranges::count(commands, opn2001::opcode::kUpload), 2);
        }
        scanner.reset();
        host_->Stop();
    }
}

// A scanner that keeps switching is given up after 6 s at the shortened
// times; a silent one, at the real waiting times, after two questions of
// 2 s each; one dripping noise without end, at the real times, at the
// interrogation reply's deadline, without asking again.
TEST_F(LinkTest, ConnectGivesUpOnTime) {
    const auto dripDeadline = opn2001::ReplyDeadline(opn2001::Timing{}, 22);
    const std::tuple<std::string, bool, int32_t, Clock::duration, Clock::duration, size_t> cases[] =
        {{"--switching 10000", false, -8, 300ms, 3s, 0},
         {"--silent", true, -7, 3900ms, 7s, 2},
         {"--drip 9", true, -7, dripDeadline - 100ms, dripDeadline + 3s, 1}};
    for (const auto& [options, realTimes, result, atLeast, below, asked] : cases) {
        SCOPED_TRACE(options);
        std::optional<ScopedEnv> times;
        if (realTimes) times.emplace(opn2001::kTimeScaleVariable, std::nullopt);
        Serve(options);
        auto start = Clock::now();
        EXPECT_EQ(library_->csp2InitEx(port_), result);
        auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, atLeast);
        EXPECT_LT(elapsed, below);
        if (asked != 0) {
            EXPECT_EQ(host_->Commands().size(), asked);
        }
        host_->Stop();
    }
}

}  // namespace
}  // namespace quarnel::test
