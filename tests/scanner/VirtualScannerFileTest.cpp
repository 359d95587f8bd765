// The virtual scanner's file and its tool.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "ScannerFile.h"
#include "Symbologies.h"
#include "TestSupport.h"

namespace quarnel::test {
namespace {

using ::testing::HasSubstr;
using namespace quarnel::vscan;

TEST(ScannerFileTest, WrittenFileReadsBackTheSame) {
    ScannerFile file;
    file.identity = {0, 1, 2, 3, 0x0A, 0x0B, 0xFE, 0xFF};
    file.software = "2.1b";
    file.status = kBatteryLow;
    file.clockOffset = -3600;
    file.clockBytes = std::array<uint8_t, 6>{0, 0x3B, 0x17, 0x1F, 0x0C, 0x0D};
    file.params[7] = 200;
    file.records.emplace_back(Barcode{{2013, 4, 23, 7, 47, 28}, 8, "8712345678906"});
    file.records.emplace_back(RawPacket{{0x02, 0x08, 0x41}});
    file.records.emplace_back(Barcode{{2063, 12, 31, 23, 59, 59}, 6, "a | b"});
    file.overrides.push_back({"csp2GetPacket", 1, -1, true});
    file.overrides.push_back({"csp2GetDllVersion", std::nullopt, 2, false});

    std::string error;
    std::string text = FormatScannerFile(file, "COM7");
    auto read = ParseScannerFile(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(FormatScannerFile(*read, "COM7"), text);
    EXPECT_EQ(std::get<Barcode>(read->records[2]).text, "a | b");
}

TEST(ScannerFileTest, BarcodePacketHasTheScannersLayout) {
    auto packet = EncodePacket(Barcode{{2013, 4, 23, 7, 47, 28}, 8, "8712345678906"});
    EXPECT_EQ(HexBytes(packet.data(), packet.size(), true),
              "12 08 38 37 31 32 33 34 35 36 37 38 39 30 36 72 F3 DD 0D");
}

TEST(ScannerFileTest, GarbageIsRejected) {
    const std::string garbage[] = {
        std::string("\x00\x01\x02", 3),
        "identity = 0001",
        "identity = zz01020304050607",
        "software = 123456789",
        "status = lots",
        "param 2 = 256",
        "param x = 1",
        "barcode = 2013-04-23 07:47:28 | 8",
        "barcode = 2064-01-01 00:00:00 | 8 | 1",
        "barcode = 2013-02-30 00:00:00 | 8 | 1",
        "barcode = 2013-04-23 07:47:28 | 256 | 1",
        std::string("barcode = 2013-04-23 07:47:28 | 8 | a\0b", 39),
        "barcode = 2013-04-23 07:47:28 | 8 | " + std::string(251, 'x'),
        "packet = ",
        "packet = 1",
        "clock-offset = 99999999999999",
        "fail csp2Nothing = 1",
        "fail csp2GetPacket 1 2 = 1",
        "result csp2GetParam",
        "colour = blue",
        "no equals sign",
    };
    for (const auto& text : garbage) {
        std::string error;
        EXPECT_FALSE(ParseScannerFile(text, error)) << text;
        EXPECT_THAT(error, HasSubstr("line 1"));
    }
}

TEST(SymbologiesTest, NamesAndCodes) {
    EXPECT_EQ(SymbologyCode("ean13"), SymbologyCode("EAN-13"));
    EXPECT_EQ(SymbologyCode("8"), 8);
    EXPECT_EQ(SymbologyName(8), "EAN-13");
    EXPECT_EQ(SymbologyCode("code 39"), 1);
    EXPECT_FALSE(SymbologyCode("qr"));
    EXPECT_FALSE(SymbologyCode("999"));
    EXPECT_FALSE(SymbologyName(0));
    for (int id = 1; id <= 16; ++id) {
        ASSERT_TRUE(SymbologyName(id));
        EXPECT_LT(SymbologyName(id)->size(), 20u);  // fits the program's buffer with its NUL
    }
    EXPECT_EQ(GuessSymbology("8712345678906"), 8);
    EXPECT_EQ(GuessSymbology("12345670"), 9);
    EXPECT_EQ(GuessSymbology("Q0002"), 6);
}

class VscanToolTest : public ::testing::Test {
  protected:
    int Run(const std::string& arguments) {
        std::string command = std::string(std::getenv("QUARNEL_VSCAN")) + " --dir '" + dir_.Path() +
                              "' " + arguments + " >'" + dir_.File("out") + "' 2>&1";
        int status = std::system(command.c_str());
        output_ = ReadFileBytes(dir_.File("out"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    TempDir dir_;
    std::string output_;
};

TEST_F(VscanToolTest, PlugScanShowUnplug) {
    ASSERT_EQ(Run("plug com7 --id 000102030A0BFEFF --battery low --sw 1.5 --symbology code39 "
                  "ABC"),
              0);
    ASSERT_EQ(Run("scan COM7 8712345678906"), 0);
    ASSERT_EQ(Run("show COM7"), 0);
    EXPECT_THAT(output_, HasSubstr("000102030A0BFEFF"));
    EXPECT_THAT(output_, HasSubstr("low (status 22)"));
    EXPECT_THAT(output_, HasSubstr("Code 39"));
    EXPECT_THAT(output_, HasSubstr("EAN-13"));
    EXPECT_THAT(output_, HasSubstr(" 2=1"));
    EXPECT_EQ(Run("plug COM7"), 1);
    EXPECT_EQ(Run("unplug COM7"), 0);
    EXPECT_EQ(Run("unplug COM7"), 1);
    EXPECT_EQ(Run("scan COM7 1"), 1);
}

TEST_F(VscanToolTest, BadArgumentsAreRefused) {
    const char* bad[] = {"plug COM0",
                         "plug LPT1",
                         "plug COM10000",
                         "plug COM7 --id 12",
                         "plug COM7 --battery half",
                         "plug COM7 --sw 123456789",
                         "plug COM7 --symbology qr 1",
                         "fly COM7",
                         "plug",
                         "plug COM7 --wat",
                         "scan COM7"};
    for (const char* arguments : bad) EXPECT_EQ(Run(arguments), 2) << arguments;
    EXPECT_EQ(Run("plug COM7 " + std::string(45, '1')), 2);
    EXPECT_FALSE(std::ifstream(dir_.File("COM7.scanner")).good());
}

}  // namespace
}  // namespace quarnel::test
