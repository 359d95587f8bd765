// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeRegistry.h"
#include "ModelTestHelpers.h"
#include "app/modMain.h"
#include "model/Limits.h"

namespace quarnel::test {
namespace {

const std::string kColumns = "Scan date/time     \tSymbology\tBarcode\r\n";

TEST(ReadSessionTest, SavesTheReadOutFileByteForByte) {
    TempDir dir;
    auto session = MakeSession({"4711"});
    session->AddBarcode(MakeBarcode("caf\xC3\xA9", "Code 128 long"));
    session->AddBarcode(MakeBarcode("Q0003", ""));
    for (int year : {987, 12345}) {
        session->AddBarcode(MakeBarcode("7", "EAN-8"));
        session->Barcode(session->CountBarcodes())->SetTimeStamp(DateTime{year, 1, 2, 3, 4, 5});
    }
    const std::string path = dir.File("out.txt");
    WriteFileBytes(path, std::string(5000, 'x'));
    ASSERT_TRUE(session->SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path),
              "5 Barcode(s) read on Saturday 05 December 2026 at 17:29:16 from unknown device.\r\n"
              "\r\n" +
                  kColumns +
                  "2026-12-05 17:29:16\tEAN-13   \t4711\r\n"
                  "2026-12-05 17:29:16\tCode 128 \tcaf\xE9\r\n"
                  "2026-12-05 17:29:16\t         \tQ0003\r\n"
                  "0987-01-02 03:04:05\tEAN-8    \t7\r\n"
                  "12345-01-02 03:04:05\tEAN-8    \t7\r\n");

    // Clear keeps the date and the device; the header follows the user's language.
    session->SetDeviceID("OPN 7");
    session->Clear();
    ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    ASSERT_TRUE(session->SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path),
              "0 Barcode(s) read on zaterdag 05 december 2026 at 17:29:16 from device OPN 7.\r\n"
              "\r\n" +
                  kColumns);
}

class ToOrderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Main("", {std::make_shared<FakeRegistry>(), dir_.Path(), "/usr/bin/quarnel"});
    }
    void TearDown() override { ExitApplication(); }

    Lines Generate(const std::vector<std::string>& barcodes, int32_t positioning) {
        Settings()->SetQuantityPositioning(positioning);
        std::shared_ptr<clsOrder> order = MakeSession(barcodes)->ToOrder();
        return order ? LinesOf(*order) : Lines{{"no order", -1}};
    }

    TempDir dir_;
};

TEST_F(ToOrderTest, PairsQuantitiesInBothModes) {
    struct Case {
        std::vector<std::string> barcodes;
        Lines after;   // QuantityPositioning 1
        Lines before;  // QuantityPositioning 0
    } cases[] = {
        {{"P1", "Q0003", "P2", "Q0005"}, {{"P1", 3}, {"P2", 5}}, {{"P1", 0}, {"P2", 3}}},
        {{"Q0003", "P1", "Q0005", "P2"}, {{"P1", 5}, {"P2", 0}}, {{"P1", 3}, {"P2", 5}}},
        {{"P1", "Q0002", "Q0003"}, {{"P1", 5}}, {{"P1", 0}}},
        {{"Q0002", "Q0003", "P1"}, {{"P1", 0}}, {{"P1", 5}}},
        {{"P1", "Q0000", "P2"}, {{"P1", 0}, {"P2", 0}}, {{"P1", 0}, {"P2", 0}}},
        {{"P1", "Q0004", "P1"}, {{"P1", 4}, {"P1", 0}}, {{"P1", 0}, {"P1", 4}}},  // no merging
        {{"Q0001", "Q0002"}, {}, {}},
        // Only "Q" and four characters forming a number make a quantity.
        {{"P1", "Q0012", "q0012", "Q012", "Q00012", "Q12A4"},
         {{"P1", 12}, {"q0012", 0}, {"Q012", 0}, {"Q00012", 0}, {"Q12A4", 0}},
         {{"P1", 0}, {"q0012", 12}, {"Q012", 0}, {"Q00012", 0}, {"Q12A4", 0}}},
        {{"P1", "Q 12 ", "P2", "Q1e02"}, {{"P1", 12}, {"P2", 100}}, {{"P1", 0}, {"P2", 12}}},
        // A negative quantity is carried on to the next product.
        {{"P1", "Q-001", "P2", "Q0003"}, {{"P1", 0}, {"P2", 2}}, {{"P1", 0}, {"P2", 0}}},
        // Sums are rounded with halves to the even neighbour.
        {{"A", "Q00.5", "B", "Q01.5", "C", "Q02.5", "D", "Q03.5", "E", "Q-0.5"},
         {{"A", 0}, {"B", 2}, {"C", 2}, {"D", 4}, {"E", 0}},
         {{"A", 0}, {"B", 0}, {"C", 2}, {"D", 2}, {"E", 4}}},
        {{"P1", "Q00.6", "Q00.6"}, {{"P1", 2}}, {{"P1", 0}}},
        // An empty product barcode leaves no product pending.
        {{"Q0003", ""}, {}, {{"", 3}}},
        {{"P1", "", "Q0002"}, {{"P1", 0}}, {{"P1", 0}}},
        {{"P1", "Q01,5"}, {{"P1", 0}, {"Q01,5", 0}}, {{"P1", 0}, {"Q01,5", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.barcodes));
        EXPECT_EQ(Generate(c.barcodes, 1), c.after);
        EXPECT_EQ(Generate(c.barcodes, 0), c.before);
    }
    // Other positioning values never apply quantities; Dutch users may scan a decimal comma.
    EXPECT_EQ(Generate({"Q0002", "P1", "Q0003", "P2"}, 2), (Lines{{"P1", 0}, {"P2", 0}}));
    ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    EXPECT_EQ(Generate({"P1", "Q01,5"}, 1), (Lines{{"P1", 2}}));
}

TEST_F(ToOrderTest, SessionAndOrderGenerationWriteEveryTraceEntry) {
    TraceCapture trace;
    {
        auto session = std::make_shared<clsReadSession>(kSessionDate);
        auto barcode = MakeBarcode("4711");
        barcode->SetTimeStamp(DateTime{2026, 1, 2, 3, 4, 5});
        barcode->Barcode();
        barcode->Symbology();
        barcode->TimeStamp();
        session->SetDeviceID("S1");
        session->DeviceID();
        session->SessionDate();
        session->AddBarcode(barcode);
        EXPECT_EQ(session->ToOrder()->ScannerID(), "S1");
        session->Barcode(1);
        session->CountBarcodes();
        session->RemoveBarcode(1);
        session->AddBarcode(barcode);
        barcode.reset();
        session->Clear();
        session->SaveToFile(dir_.File("s.txt"));
    }
    // The entries of each call above in call order; some calls write none.
    EXPECT_EQ(TraceText(trace, dir_.Path()),
              "  Initializing clsReadSession object\n  Initializing clsBarcode object\n"
              "  Property Let clsBarcode.Barcode (4711)\n"
              "  Property Let clsBarcode.Symbology (EAN-13)\n"
              "  Property Let clsBarcode.TimeStamp (1/2/2026 3:04:05 AM)\n"
              "  Property Get clsBarcode.Barcode (=4711)\n"
              "  Property Get clsBarcode.Symbology (=EAN-13)\n"
              "  Property Get clsBarcode.TimeStamp (=1/2/2026 3:04:05 AM)\n"
              "  Property Let DeviceID (S1)\n  Property Get clsReadSession.DeviceID (=S1)\n"
              "  Property Get clsReadSession.SessionDate (=12/5/2026 5:29:16 PM)\n"
              "  Entering clsReadSession.AddBarcode (Item.Barcode = 4711)\n"
              "  Exiting clsReadSession.AddBarcode\n"
              "  Initializing clsOrder object\n  Entering clsReadSession.ToOrder\n"
              "  Initializing clsOrderLine object\n  Property Let clsOrderLine.ProductID (4711)\n"
              "  Entering clsOrder.AddLine (Item.ProductID = 4711)\n  Exiting clsOrder.AddLine\n"
              "  Exiting clsReadSession.ToOrder\n  Terminating clsOrder object\n"
              "  Terminating clsOrderLine object\n"
              "  Entering clsReadSession.Barcode (Index = 1)\n"
              "  Exiting clsReadSession.Barcode (=4711)\n"
              "  Entering clsReadSession.CountBarcodes\n"
              "  Exiting clsReadSession.CountBarcodes (=1)\n"
              "  Entering clsReadSession.RemoveBarcode (Index = 1)\n"
              "  Exiting clsReadSession.RemoveBarcode\n"
              "  Entering clsReadSession.AddBarcode (Item.Barcode = 4711)\n"
              "  Exiting clsReadSession.AddBarcode\n"
              "  Entering clsReadSession.Clear\n  Terminating clsBarcode object\n"
              "  Exiting clsReadSession.Clear\n"
              "  Entering clsReadSession.SaveToFile (Filename = <dir>/s.txt)\n"
              "  Exiting clsReadSession.SaveToFile (=True)\n  Terminating clsReadSession object\n");
}

TEST_F(ToOrderTest, FailuresReturnNothing) {
    TraceCapture trace(false, true);
    auto tooMany = MakeSession(std::vector<std::string>(kMaxCountedRows + 1, "P"));
    for (const auto& [session, positioning] : {std::pair{MakeSession({"P1", "Q9e09"}), 1},
                                               {MakeSession({"Q-9e9", "P1"}), 0},
                                               {MakeSession({"P1", "Q9e99", "P2"}), 1},
                                               {tooMany, 0}}) {
        trace.Clear();
        Settings()->SetQuantityPositioning(positioning);
        EXPECT_EQ(session->ToOrder(), nullptr);
        EXPECT_EQ(TraceText(trace),
                  "Error generating order from barcode data: [6] Overflow (Quarnel)\n");
    }
    // Too many rows for the read-out file's count: nothing is half-written.
    const std::string big = dir_.File("big.txt");
    EXPECT_FALSE(tooMany->SaveToFile(big));
    EXPECT_TRUE(
        trace.Contains("Error saving read session to file '" + big + "': [6] Overflow (Quarnel)"));
    EXPECT_FALSE(std::filesystem::exists(big));
    // The half-built order goes only after the failure has been written.
    TraceCapture detail(true, true);
    Settings()->SetQuantityPositioning(1);
    EXPECT_EQ(MakeSession({"P1", "P2", "Q9e09"})->ToOrder(), nullptr);
    std::string text = TraceText(detail);
    EXPECT_LT(text.find("Error generating order"), text.find("Terminating clsOrder object"))
        << text;
}

}  // namespace
}  // namespace quarnel::test
