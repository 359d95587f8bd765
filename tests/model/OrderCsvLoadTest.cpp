#include <gtest/gtest.h>

#include <random>

#include "ModelTestHelpers.h"
#include "TestSupport.h"
#include "model/TextLineReader.h"

namespace quarnel {
namespace {

using test::Lines;
using test::LinesOf;

struct Loaded {
    bool result;
    std::string scannerID;
    Lines lines;
};

Loaded Load(const std::string& bytes) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("o.csv"), bytes);
    auto order = test::MakeOrder({{"old", 1}}, "old");
    bool result = order->LoadFromCSV(dir.File("o.csv"));
    return {result, order->ScannerID(), LinesOf(*order)};
}

TEST(OrderCsvLoadTest, AppliesTheReadingRules) {
    using namespace std::string_literals;
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
        {"h\r\n4711\r\n4711;2;x\r\n;5\r\n4711;abc\r\n\r\n4711;2.9\r\n", "", {{"4711", 2}}},
        {"h\r\nA;-0.5\r\n b ; 1e2 \r\nC;+7\r\n", "", {{"A", -1}, {" b ", 100}, {"C", 7}}},
        // CR LF, lone CR and lone LF each end a line.
        {"sid:S1\nProductID;Quantity\n4711;3\n", "S1", {{"4711", 3}}},
        {"h\r1;1\r2;2", "", {{"1", 1}, {"2", 2}}},
        {"h\n\r1;1\r\n\n2;2\r", "", {{"1", 1}, {"2", 2}}},
        {"h\r\n\xE9;1\r\nA\0B;2\r\nC;\0\r\n"s, "", {{"\xC3\xA9", 1}, {"A\0B"s, 2}}},
    };
    for (const Case& c : cases) {
        Loaded loaded = Load(c.bytes);
        EXPECT_TRUE(loaded.result) << c.bytes;
        EXPECT_EQ(loaded.scannerID, c.scannerID) << c.bytes;
        EXPECT_EQ(loaded.lines, c.lines) << c.bytes;
    }
}

TEST(OrderCsvLoadTest, DutchUsersMayWriteADecimalComma) {
    EXPECT_EQ(Load("h\r\nA;2,9\r\nB;2.9\r\n").lines, (Lines{{"B", 2}}));
    test::ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    EXPECT_EQ(Load("h\r\nA;2,9\r\nB;2.9\r\n").lines, (Lines{{"A", 2}, {"B", 2}}));
}

TEST(OrderCsvLoadTest, FailuresKeepWhatWasLoaded) {
    test::TempDir dir;
    test::TraceCapture trace(false, true);
    auto order = test::MakeOrder({{"old", 1}}, "old");
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
    loaded = Load("h\r\n1;-2147483648\r\n");
    EXPECT_TRUE(loaded.result);
    EXPECT_EQ(loaded.lines, (Lines{{"1", INT32_MIN}}));
}

TEST(OrderCsvLoadTest, BadInputLoadsWithoutHarm) {
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    Loaded loaded = Load(noise);
    EXPECT_TRUE(loaded.result);
    for (const auto& [productID, quantity] : loaded.lines) {
        EXPECT_FALSE(productID.empty());
        EXPECT_EQ(productID.find(';'), std::string::npos);
    }

    const std::string huge(10 << 20, 'x');
    loaded = Load("sid:" + huge + "\r\nh\r\n" + huge + ";1\r\n4711;1\r\n" + huge);
    EXPECT_TRUE(loaded.result);
    EXPECT_EQ(loaded.scannerID, "");
    EXPECT_EQ(loaded.lines, (Lines{{"4711", 1}}));
}

TEST(OrderCsvLoadTest, LineReaderKeepsAtMostTheLimitInMemory) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("f"), "ab\r\n" + std::string(10 << 20, 'x') + "\ncd");
    TextLineReader reader(dir.File("f"), 1000);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "ab");
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_TRUE(reader.LastLineTooLong());
    EXPECT_EQ(line.size(), 1000u);
    EXPECT_LE(line.capacity(), 4096u);
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "cd");
    EXPECT_FALSE(reader.LastLineTooLong());
    EXPECT_FALSE(reader.ReadLine(line));
}

}  // namespace
}  // namespace quarnel
