#include <gtest/gtest.h>

#include "ModelTestHelpers.h"
#include "TestSupport.h"
#include "model/Limits.h"

namespace quarnel {
namespace {

using test::Lines;
using test::LinesOf;
using test::MakeOrder;

TEST(OrderTest, WritesEveryTraceEntry) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("o.csv"), "ProductID;Quantity\r\n4711;3\r\n");
    test::TraceCapture trace;
    {
        auto order = std::make_shared<clsOrder>();
        auto line = std::make_shared<clsOrderLine>();
        line->SetProductID("A1");
        line->SetQuantity(-2);
        line->ProductID();
        line->Quantity();
        order->AddLine(line);
        line.reset();
        order->OrderNr();
        order->SetScannerID("S1");
        order->ScannerID();
        order->Line(1);
        order->CountLines();
        order->HasLine("A1");
        order->RemoveLine(1);
        order->SaveAsCSV(dir.File("s.csv"));
        order->LoadFromCSV(dir.File("o.csv"));
        order->Clear();
    }
    const std::vector<std::string> expected = {
        "  Initializing clsOrder object",
        "  Initializing clsOrderLine object",
        "  Property Let clsOrderLine.ProductID (A1)",
        "  Property Let clsOrderLine.Quantity (-2)",
        "  Property Get clsOrderLine.ProductID (=A1)",
        "  Property Get clsOrderLine.Quantity (-2)",
        "  Entering clsOrder.AddLine (Item.ProductID = A1)",
        "  Exiting clsOrder.AddLine",
        "  Property Get clsOrder.OrderNr (=)",
        "Entering clsOrder.Line (Index = 1)",
        "Exiting clsOrder.Line (=A1)",
        "  Entering clsOrder.CountLines",
        "  Exiting clsOrder.CountLines (=1)",
        "  Entering clsOrder.HasLine (ProductID = A1)",
        "  Exiting clsOrder.HasLine (=False)",
        "  Entering clsOrder.RemoveLine (Index = 1)",
        "  Terminating clsOrderLine object",
        "  Exiting clsOrder.RemoveLine",
        "  Entering clsOrder.SaveAsCSV (Filename = " + dir.File("s.csv") + ")",
        "  Exiting clsOrder.SaveAsCSV (=True)",
        "  Entering clsOrder.LoadFromCSV (Filename = " + dir.File("o.csv") + ")",
        "  Entering clsOrder.Clear",
        "  Exiting clsOrder.Clear",
        "  Initializing clsOrderLine object",
        "  Property Let clsOrderLine.ProductID (4711)",
        "  Property Let clsOrderLine.Quantity (3)",
        "  Entering clsOrder.AddLine (Item.ProductID = 4711)",
        "  Exiting clsOrder.AddLine",
        "  Exiting LoadFromCSV (=True)",
        "  Entering clsOrder.Clear",
        "  Terminating clsOrderLine object",
        "  Exiting clsOrder.Clear",
        "  Terminating clsOrder object",
    };
    EXPECT_EQ(trace.Messages(), expected);
}

TEST(OrderTest, SavesTheCsvFileByteForByte) {
    test::TempDir dir;
    struct Case {
        Lines lines;
        std::string scannerID;
        std::string bytes;
    } cases[] = {
        {{}, "", "ProductID;Quantity\r\n"},
        {{{"4711", 3}, {"0815", 0}}, "S1", "sid:S1\r\nProductID;Quantity\r\n4711;3\r\n0815;0\r\n"},
        {{{"caf\xC3\xA9", -12}, {"a;b", 2147483647}},
         "\xE2\x82\xAC",
         "sid:\x80\r\nProductID;Quantity\r\ncaf\xE9;-12\r\na;b;2147483647\r\n"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("order.csv");
        test::WriteFileBytes(path, std::string(1000, 'x'));
        ASSERT_TRUE(MakeOrder(c.lines, c.scannerID)->SaveAsCSV(path));
        EXPECT_EQ(test::ReadFileBytes(path), c.bytes);
    }
}

TEST(OrderTest, SavedOrderLoadsBackUnchanged) {
    test::TempDir dir;
    const Lines lines = {{"4711", 3}, {"0815", 0}, {"4711", -7}, {"caf\xC3\xA9", 1}};
    ASSERT_TRUE(MakeOrder(lines, "OPN-2001 #1")->SaveAsCSV(dir.File("o.csv")));
    auto loaded = MakeOrder({{"old", 1}}, "old");
    ASSERT_TRUE(loaded->LoadFromCSV(dir.File("o.csv")));
    EXPECT_EQ(LinesOf(*loaded), lines);
    EXPECT_EQ(loaded->ScannerID(), "OPN-2001 #1");
    EXPECT_EQ(loaded->OrderNr(), "");
}

TEST(OrderTest, SaveFailuresWriteAnErrorEntry) {
    test::TempDir dir;
    test::TraceCapture trace(false, true);
    const std::string missing = dir.File("no/o.csv");
    EXPECT_FALSE(MakeOrder({{"A", 1}})->SaveAsCSV(missing));
    EXPECT_TRUE(
        trace.Contains("Error saving order as '" + missing + "': [76] Path not found (Quarnel)"));

    auto order = MakeOrder({}, "S1");
    for (int32_t i = 0; i <= kMaxCountedRows; ++i) order->AddLine(std::make_shared<clsOrderLine>());
    const std::string big = dir.File("big.csv");
    EXPECT_FALSE(order->SaveAsCSV(big));
    EXPECT_TRUE(trace.Contains("Error saving order as '" + big + "': [6] Overflow (Quarnel)"));
    EXPECT_EQ(test::ReadFileBytes(big), "sid:S1\r\nProductID;Quantity\r\n");
}

}  // namespace
}  // namespace quarnel
