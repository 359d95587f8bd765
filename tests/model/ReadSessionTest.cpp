#include <gtest/gtest.h>

#include "ModelTestHelpers.h"
#include "TestSupport.h"
#include "model/Limits.h"

namespace quarnel {
namespace {

using test::kSessionDate;
using test::MakeBarcode;
using test::MakeSession;

const std::string kColumns = "Scan date/time     \tSymbology\tBarcode\r\n";

TEST(ReadSessionTest, WritesEveryTraceEntry) {
    test::TraceCapture trace;
    {
        auto session = std::make_shared<clsReadSession>(kSessionDate);
        auto barcode = std::make_shared<clsBarcode>(kSessionDate);
        barcode->SetBarcode("4711");
        barcode->SetSymbology("EAN-13");
        barcode->SetTimeStamp(DateTime{2026, 1, 2, 3, 4, 5});
        barcode->Barcode();
        barcode->Symbology();
        barcode->TimeStamp();
        session->SetDeviceID("S1");
        session->DeviceID();
        session->SessionDate();
        session->AddBarcode(barcode);
        session->Barcode(1);
        session->CountBarcodes();
        session->RemoveBarcode(1);
        session->AddBarcode(barcode);
        barcode.reset();
        session->Clear();
        session->SaveToFile(trace.FilePath() + ".txt");
    }
    const std::vector<std::string> expected = {
        "  Initializing clsReadSession object",
        "  Initializing clsBarcode object",
        "  Property Let clsBarcode.Barcode (4711)",
        "  Property Let clsBarcode.Symbology (EAN-13)",
        "  Property Let clsBarcode.TimeStamp (1/2/2026 3:04:05 AM)",
        "  Property Get clsBarcode.Barcode (=4711)",
        "  Property Get clsBarcode.Symbology (=EAN-13)",
        "  Property Get clsBarcode.TimeStamp (=1/2/2026 3:04:05 AM)",
        "  Property Let DeviceID (S1)",
        "  Property Get clsReadSession.DeviceID (=S1)",
        "  Property Get clsReadSession.SessionDate (=12/5/2026 5:29:16 PM)",
        "  Entering clsReadSession.AddBarcode (Item.Barcode = 4711)",
        "  Exiting clsReadSession.AddBarcode",
        "  Entering clsReadSession.Barcode (Index = 1)",
        "  Exiting clsReadSession.Barcode (=4711)",
        "  Entering clsReadSession.CountBarcodes",
        "  Exiting clsReadSession.CountBarcodes (=1)",
        "  Entering clsReadSession.RemoveBarcode (Index = 1)",
        "  Exiting clsReadSession.RemoveBarcode",
        "  Entering clsReadSession.AddBarcode (Item.Barcode = 4711)",
        "  Exiting clsReadSession.AddBarcode",
        "  Entering clsReadSession.Clear",
        "  Terminating clsBarcode object",
        "  Exiting clsReadSession.Clear",
        "  Entering clsReadSession.SaveToFile (Filename = " + trace.FilePath() + ".txt)",
        "  Exiting clsReadSession.SaveToFile (=True)",
        "  Terminating clsReadSession object",
    };
    EXPECT_EQ(trace.Messages(), expected);
}

TEST(ReadSessionTest, ClearKeepsDateAndDevice) {
    auto session = MakeSession({"A", "B"}, "S1");
    EXPECT_THROW(session->Barcode(3), QuarnelError);
    session->Clear();
    EXPECT_EQ(session->CountBarcodes(), 0);
    EXPECT_EQ(session->DeviceID(), "S1");
    EXPECT_EQ(session->SessionDate(), kSessionDate);
}

TEST(ReadSessionTest, SavesTheReadOutFileByteForByte) {
    test::TempDir dir;
    auto session = MakeSession({});
    session->AddBarcode(MakeBarcode("4711", "EAN-13"));
    session->AddBarcode(MakeBarcode("caf\xC3\xA9", "Code 128 long"));
    session->AddBarcode(MakeBarcode("Q0003", ""));
    const std::string path = dir.File("out.txt");
    test::WriteFileBytes(path, std::string(5000, 'x'));
    ASSERT_TRUE(session->SaveToFile(path));
    EXPECT_EQ(test::ReadFileBytes(path),
              "3 Barcode(s) read on Saturday 05 December 2026 at 17:29:16 from unknown device.\r\n"
              "\r\n" +
                  kColumns +
                  "2026-12-05 17:29:16\tEAN-13   \t4711\r\n"
                  "2026-12-05 17:29:16\tCode 128 \tcaf\xE9\r\n"
                  "2026-12-05 17:29:16\t         \tQ0003\r\n");
}

TEST(ReadSessionTest, HeaderFollowsTheUserLanguage) {
    test::TempDir dir;
    test::ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    ASSERT_TRUE(MakeSession({}, "OPN 7")->SaveToFile(dir.File("nl.txt")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("nl.txt")),
              "0 Barcode(s) read on zaterdag 05 december 2026 at 17:29:16 from device OPN 7.\r\n"
              "\r\n" +
                  kColumns);
}

TEST(ReadSessionTest, SaveFailuresWriteAnErrorEntry) {
    test::TempDir dir;
    test::TraceCapture trace(false, true);
    const std::string missing = dir.File("no/such.txt");
    EXPECT_FALSE(MakeSession({"A"})->SaveToFile(missing));
    EXPECT_TRUE(trace.Contains("Error saving read session to file '" + missing +
                               "': [76] Path not found (Quarnel)"));

    auto session = MakeSession({});
    for (int32_t i = 0; i <= kMaxCountedRows; ++i) session->AddBarcode(MakeBarcode("P"));
    const std::string big = dir.File("big.txt");
    EXPECT_FALSE(session->SaveToFile(big));
    EXPECT_TRUE(
        trace.Contains("Error saving read session to file '" + big + "': [6] Overflow (Quarnel)"));
    EXPECT_EQ(test::ReadFileBytes(big).substr(0, 6), "32768 ");
}

}  // namespace
}  // namespace quarnel
