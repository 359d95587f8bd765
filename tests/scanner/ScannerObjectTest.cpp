// SPDX-License-Identifier: MIT
// The scanner object on a scripted library, on any system: connection,
// identity and a read-out. Its failing read-outs run on Linux against the
// virtual scanner library (ScannerTest).
#include <gtest/gtest.h>

#include "ScriptedScannerLibrary.h"
#include "TestSupport.h"
#include "model/clsBarcode.h"
#include "scanner/clsOPN2001.h"

namespace quarnel::test {
namespace {

TEST(ScannerObjectTest, ConnectsReadsTheIdentityAndDecodesPackets) {
    TraceCapture trace;
    auto library = std::make_shared<ScriptedScannerLibrary>();
    library->packets = {BarcodePacket("8712345678906", 8, 2013, 4, 23, 7, 47, 28),
                        BarcodePacket("AB\xE9", 1, 2024, 12, 31, 23, 59, 59)};
    clsOPN2001 scanner(library);
    std::vector<std::shared_ptr<clsReadSession>> raised;
    scanner.SetBarcodesReadHandler([&](auto& session) { raised.push_back(session); });
    ASSERT_TRUE(scanner.Connect(7));
    EXPECT_EQ(library->openedPort, 7);
    EXPECT_EQ(DeviceInfoText(scanner.GetDeviceInfo(DeviceInfoDeviceID)), "00123456789ABCDE");
    EXPECT_EQ(DeviceInfoText(scanner.GetDeviceInfo(DeviceInfoSWVersion)), "RBBV0217");

    ASSERT_EQ(scanner.ReadBarcodes(true), 2);
    ASSERT_EQ(raised.size(), 1u);
    const auto& session = raised[0];
    EXPECT_EQ(session->DeviceID(), "00123456789ABCDE");
    const auto first = session->Barcode(1);
    const auto second = session->Barcode(2);
    EXPECT_EQ(first->Barcode() + "|" + first->Symbology(), "8712345678906|EAN-13");
    EXPECT_EQ(first->TimeStamp(), (DateTime{2013, 4, 23, 7, 47, 28}));
    // Windows-1252 data becomes program text.
    EXPECT_EQ(second->Barcode() + "|" + second->Symbology(), "AB\xC3\xA9|Code 39");
    EXPECT_EQ(second->TimeStamp(), (DateTime{2024, 12, 31, 23, 59, 59}));
    EXPECT_EQ(library->clears, 1);

    EXPECT_TRUE(scanner.Disconnect());
    EXPECT_FALSE(scanner.Disconnect());
    EXPECT_EQ(library->restores, 1);
    library->initResult = -1;
    EXPECT_FALSE(scanner.Connect(3));
    EXPECT_EQ(scanner.ReadBarcodes(true), 0);
}

// The system's loader, which differs between the systems.
TEST(ScannerObjectTest, AMissingLibraryLeavesItUnconnected) {
    clsOPN2001 missing(platform::LoadScannerLibrary("no-such-scanner-library"));
    EXPECT_FALSE(missing.Connect(3));
    EXPECT_FALSE(missing.Connected());
}

}  // namespace
}  // namespace quarnel::test
