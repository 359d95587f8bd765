// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>

#include "ModelTestHelpers.h"
#include "model/Limits.h"
#include "model/TextLineReader.h"

namespace quarnel::test {
namespace {

TEST(OrderTest, WritesEveryTraceEntry) {
    TempDir dir;
    WriteFileBytes(dir.File("o.csv"), "ProductID;Quantity\r\n4711;3\r\n");
    TraceCapture trace;
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
    // One line for each call above that writes entries.
    EXPECT_EQ(TraceText(trace, dir.Path()),
              "  Initializing clsOrder object\n  Initializing clsOrderLine object\n"
              "  Property Let clsOrderLine.ProductID (A1)\n"
              "  Property Let clsOrderLine.Quantity (-2)\n"
              "  Property Get clsOrderLine.ProductID (=A1)\n"
              "  Property Get clsOrderLine.Quantity (-2)\n"
              "  Entering clsOrder.AddLine (Item.ProductID = A1)\n  Exiting clsOrder.AddLine\n"
              "  Property Get clsOrder.OrderNr (=)\n"
              "Entering clsOrder.Line (Index = 1)\nExiting clsOrder.Line (=A1)\n"
              "  Entering clsOrder.CountLines\n  Exiting clsOrder.CountLines (=1)\n"
              "  Entering clsOrder.HasLine (ProductID = A1)\n  Exiting clsOrder.HasLine (=False)\n"
              "  Entering clsOrder.RemoveLine (Index = 1)\n  Terminating clsOrderLine object\n"
              "  Exiting clsOrder.RemoveLine\n"
              "  Entering clsOrder.SaveAsCSV (Filename = <dir>/s.csv)\n"
              "  Exiting clsOrder.SaveAsCSV (=True)\n"
              "  Entering clsOrder.LoadFromCSV (Filename = <dir>/o.csv)\n"
              "  Entering clsOrder.Clear\n  Exiting clsOrder.Clear\n"
              "  Initializing clsOrderLine object\n"
              "  Property Let clsOrderLine.ProductID (4711)\n"
              "  Property Let clsOrderLine.Quantity (3)\n"
              "  Entering clsOrder.AddLine (Item.ProductID = 4711)\n  Exiting clsOrder.AddLine\n"
              "  Exiting LoadFromCSV (=True)\n"
              "  Entering clsOrder.Clear\n  Terminating clsOrderLine object\n"
              "  Exiting clsOrder.Clear\n  Terminating clsOrder object\n");
}

TEST(OrderTest, SavesTheCsvFileByteForByte) {
    TempDir dir;
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
        const std::string path = dir.File("bestelling \xC5\x81.csv");
        WriteFileBytes(path, std::string(1000, 'x'));
        ASSERT_TRUE(MakeOrder(c.lines, c.scannerID)->SaveAsCSV(path));
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
    }
}

struct Loaded {
    bool result;
    std::string scannerID;
    Lines lines;
};

// Named as no single code page can: the program's paths are UTF-8.
Loaded Load(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.File("Zo\xC3\xAB \xC5\x81ukasz.csv");
    WriteFileBytes(path, bytes);
    auto order = MakeOrder({{"old", 1}}, "old");
    bool result = order->LoadFromCSV(path);
    return {result, order->ScannerID(), LinesOf(*order)};
}

TEST(OrderCsvLoadTest, AppliesTheReadingRules) {
    using namespace std::string_literals;
    const std::string huge(10 << 20, 'x');
    struct Case {
        std::string bytes;
        std::string scannerID;
        Lines lines;
    } cases[] = {
        {"", "", {}},
        {"sid:S1\r\nProductID;Quantity\r\n4711;3\r\n0815;0\r\n", "S1", {{"4711", 3}, {"0815", 0}}},
        {"SID:7\r\nanything;1\r\n1;1", "7", {{"1", 1}}},
        {"sId: a \r\n", " a ", {}},
        {"4711;3\r\n0815;2\r\n", "", {{"0815", 2}}},
        // Skipped: one field, three fields, empty product, text quantity, empty line.
        {"h\r\n4711\r\n4711;2;x\r\n4711;2;\r\n;5\r\n4711;abc\r\n\r\n4711;2.9\r\n",
         "",
         {{"4711", 2}}},
        {"h\r\nA;-0.5\r\n b ; 1e2 \r\nC;+7\r\nD;2,9\r\n", "", {{"A", -1}, {" b ", 100}, {"C", 7}}},
        // CR LF, lone CR and lone LF each end a line.
        {"h\r1;1\r2;2", "", {{"1", 1}, {"2", 2}}},
        {"h\n\r1;1\r\n\n2;2\r", "", {{"1", 1}, {"2", 2}}},
        {"h\r\n\xE9;1\r\nA\0B;2\r\nC;\0\r\n"s, "", {{"\xC3\xA9", 1}, {"A\0B"s, 2}}},
        // Overlong lines are skipped, an overlong scanner identifier is not taken.
        {"sid:" + huge + "\r\nh\r\n" + huge + ";1\r\n4711;1\r\n" + huge, "", {{"4711", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        Loaded loaded = Load(c.bytes);
        EXPECT_TRUE(loaded.result);
        EXPECT_EQ(loaded.scannerID, c.scannerID);
        EXPECT_EQ(loaded.lines, c.lines);
    }
    // Dutch users may write a decimal comma.
    ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    EXPECT_EQ(Load("h\r\nA;2,9\r\nB;2.9\r\n").lines, (Lines{{"A", 2}, {"B", 2}}));
}

TEST(OrderTest, SaveAndLoadFailuresWriteAnErrorEntryAndKeepWhatWasLoaded) {
    TempDir dir;
    TraceCapture trace(false, true);
    const std::string missing = dir.File("no/o.csv");
    EXPECT_FALSE(MakeOrder({{"A", 1}})->SaveAsCSV(missing));
    EXPECT_TRUE(
        trace.Contains("Error saving order as '" + missing + "': [76] Path not found (Quarnel)"));
    auto order = MakeOrder(Lines(kMaxCountedRows + 1, {"", 0}), "S1");
    const std::string big = dir.File("big.csv");
    EXPECT_FALSE(order->SaveAsCSV(big));
    EXPECT_TRUE(trace.Contains("Error saving order as '" + big + "': [6] Overflow (Quarnel)"));
    EXPECT_FALSE(std::filesystem::exists(big));  // nothing half-written

    EXPECT_FALSE(order->LoadFromCSV(dir.File("missing.csv")));
    EXPECT_EQ(order->CountLines(), 0);
    EXPECT_TRUE(trace.Contains("Error loading order from CSV file: [53] File not found (Quarnel)"));
    EXPECT_FALSE(order->LoadFromCSV(dir.Path()));
    EXPECT_TRUE(
        trace.Contains("Error loading order from CSV file: [75] Path/File access error (Quarnel)"));
    Loaded loaded = Load("h\r\n1;1\r\n2;2147483648\r\n3;1\r\n");
    EXPECT_FALSE(loaded.result);
    EXPECT_EQ(loaded.lines, (Lines{{"1", 1}}));
    EXPECT_TRUE(trace.Contains("Error loading order from CSV file: [6] Overflow (Quarnel)"));
    EXPECT_FALSE(Load("h\r\n1;-2147483648.5\r\n").result);
    EXPECT_EQ(Load("h\r\n1;-2147483648\r\n").lines, (Lines{{"1", INT32_MIN}}));
}

TEST(OrderCsvLoadTest, LineReaderCutsLinesAcrossItsChunks) {
    TempDir dir;
    const size_t chunk = 64 * 1024;
    for (const std::string end : {"\r\n", "\r", "\n", "\n\r"}) {
        for (size_t filler = chunk - 4; filler <= chunk + 2; ++filler) {
            const std::vector<std::string> parts = {std::string(filler, 'a'), "b;1",
                                                    std::string(chunk - 3, 'c'), "d"};
            WriteFileBytes(dir.File("f"), parts[0] + end + parts[1] + end + parts[2] + end + "d");
            for (size_t limit : {size_t{3}, chunk}) {
                std::vector<std::string> expected;
                for (size_t i = 0; i < parts.size(); ++i) {
                    expected.push_back(parts[i].substr(0, limit));
                    if (end == "\n\r" && i < 3) expected.emplace_back();  // "\r" ends an empty line
                }
                TextLineReader reader(dir.File("f"), limit);
                std::vector<std::string> lines;
                for (std::string_view line; reader.ReadLine(line);) lines.emplace_back(line);
                EXPECT_EQ(lines, expected) << filler << " " << limit;
            }
        }
    }
}

}  // namespace
}  // namespace quarnel::test
