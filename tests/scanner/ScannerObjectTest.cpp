// SPDX-License-Identifier: MIT
// The scanner object on a scripted library: connection, identity, and
// read-outs that succeed, find nothing, or fail part-way, on any system.
#include <gtest/gtest.h>

#include "ScriptedScannerLibrary.h"
#include "TestSupport.h"
#include "model/clsBarcode.h"
#include "scanner/clsOPN2001.h"

namespace quarnel::test {
namespace {

struct Connected {
    std::shared_ptr<ScriptedScannerLibrary> library = std::make_shared<ScriptedScannerLibrary>();
    clsOPN2001 scanner{library};
    std::vector<std::shared_ptr<clsReadSession>> raised;

    Connected() {
        scanner.SetBarcodesReadHandler([this](auto& session) { raised.push_back(session); });
        library->packets = {BarcodePacket("8712345678906", 8, 2013, 4, 23, 7, 47, 28),
                            BarcodePacket("AB\xE9", 1, 2024, 12, 31, 23, 59, 59)};
    }
};

TEST(ScannerObjectTest, ConnectsReadsTheIdentityAndDecodesPackets) {
    TraceCapture trace;
    Connected c;
    ASSERT_TRUE(c.scanner.Connect(7));
    EXPECT_EQ(c.library->openedPort, 7);
    EXPECT_EQ(DeviceInfoText(c.scanner.GetDeviceInfo(DeviceInfoDeviceID)), "00123456789ABCDE");
    EXPECT_EQ(DeviceInfoText(c.scanner.GetDeviceInfo(DeviceInfoSWVersion)), "RBBV0217");

    ASSERT_EQ(c.scanner.ReadBarcodes(true), 2);
    ASSERT_EQ(c.raised.size(), 1u);
    const auto& session = c.raised[0];
    EXPECT_EQ(session->DeviceID(), "00123456789ABCDE");
    const auto first = session->Barcode(1);
    const auto second = session->Barcode(2);
    EXPECT_EQ(first->Barcode() + "|" + first->Symbology(), "8712345678906|EAN-13");
    EXPECT_EQ(first->TimeStamp(), (DateTime{2013, 4, 23, 7, 47, 28}));
    // Windows-1252 data becomes program text.
    EXPECT_EQ(second->Barcode() + "|" + second->Symbology(), "AB\xC3\xA9|Code 39");
    EXPECT_EQ(second->TimeStamp(), (DateTime{2024, 12, 31, 23, 59, 59}));
    EXPECT_EQ(c.library->clears, 1);

    EXPECT_TRUE(c.scanner.Disconnect());
    EXPECT_FALSE(c.scanner.Disconnect());
    EXPECT_EQ(c.library->restores, 1);
}

TEST(ScannerObjectTest, ReadOutsThatFindNothingOrFail) {
    struct Case {
        const char* what;
        std::function<void(ScriptedScannerLibrary&)> script;
        int32_t result;
        int raised;
        int clears;
    };
    const Case cases[] = {
        {"empty scanner", [](auto& l) { l.packets.clear(); }, 0, 0, 0},
        {"failed transfer", [](auto& l) { l.failRead = true, l.readResult = -3; }, -1, 0, 0},
        {"too many packets", [](auto& l) { l.failRead = true, l.readResult = 32768; }, -1, 0, 0},
        // The packets that were read are handed out, and the scanner is cleared:
        // a packet refused once is refused at every read.
        {"unreadable packet", [](auto& l) { l.unreadable = {0}; }, 1, 1, 1},
        {"no clearing asked", [](auto&) {}, 2, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Connected scanner;
        ASSERT_TRUE(scanner.scanner.Connect(3));
        c.script(*scanner.library);
        const bool clear = std::string(c.what) != "no clearing asked";
        EXPECT_EQ(scanner.scanner.ReadBarcodes(clear), c.result);
        EXPECT_EQ(static_cast<int>(scanner.raised.size()), c.raised);
        EXPECT_EQ(scanner.library->clears, c.clears);
    }
}

TEST(ScannerObjectTest, RefusedOrMissingLibraryLeavesItUnconnected) {
    Connected refused;
    refused.library->initResult = -1;
    EXPECT_FALSE(refused.scanner.Connect(3));
    EXPECT_EQ(refused.scanner.ReadBarcodes(true), 0);

    clsOPN2001 missing(platform::LoadScannerLibrary("no-such-scanner-library"));
    EXPECT_FALSE(missing.Connect(3));
    EXPECT_FALSE(missing.Connected());
}

}  // namespace
}  // namespace quarnel::test
