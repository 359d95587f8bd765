// SPDX-License-Identifier: MIT
// The OPN-2001 driver object: connection, device information, barcode
// read-out, library version, parameters and clock, through the real dynamic
// binding to the virtual scanner library; the scanner's date-time forms; the
// virtual scanner's file and its tool.
#include <gmock/gmock.h>

#include <fstream>

#include "Symbologies.h"
#include "VirtualScannerFixture.h"
#include "model/clsBarcode.h"
#include "scanner/ScannerTime.h"

namespace quarnel::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ScannerTest = VirtualScannerTest;
using namespace quarnel::vscan;

const DateTime kWorkedExample{2013, 4, 23, 7, 47, 28};
const std::string kStamp = " 72 F3 DD 0D";  // kWorkedExample
const std::string kOneBarcode = "barcode = 2013-04-23 07:47:28 | 8 | 1\n";
const DateTime kBefore{2001, 2, 3, 4, 5, 6};

// GetParam's result and the value it leaves in a variable holding 7 (a
// braced list is evaluated in order).
std::pair<bool, int> Param(clsOPN2001& scanner, int32_t id) {
    uint8_t value = 7;
    return {scanner.GetParam(id, value), value};
}
// GetDateTime's result and the value it leaves in a variable holding kBefore.
std::pair<bool, DateTime> Clock(clsOPN2001& scanner) {
    DateTime clock = kBefore;
    return {scanner.GetDateTime(clock), clock};
}

TEST(ScannerTimeTest, PackedTimeStampsAndClockBytes) {
    EXPECT_EQ(DecodeTimeStamp(0xEF, 0xBB, 0xFF, 0x3F), (DateTime{2063, 12, 31, 23, 59, 59}));
    // Minute 60, second 60, 31 April, month 13, hour 24, day 0, month 0.
    const uint8_t invalid[][4] = {{0x73, 0xC3, 0xDD, 0x0D}, {0xF2, 0xF3, 0xDD, 0x0D},
                                  {0x72, 0xF3, 0xFD, 0x0D}, {0x72, 0xF3, 0xDF, 0x4D},
                                  {0x72, 0xFC, 0x5D, 0x0D}, {0x72, 0xF3, 0x81, 0x0D},
                                  {0x00, 0x00, 0x04, 0x00}};
    for (const auto& b : invalid) EXPECT_FALSE(DecodeTimeStamp(b[0], b[1], b[2], b[3])) << +b[0];

    EXPECT_EQ(ToClockBytes(DateTime{2026, 12, 5, 17, 29, 16}), (ClockBytes{16, 29, 17, 5, 12, 26}));
    EXPECT_EQ(ToClockBytes(DateTime{2255, 1, 1, 0, 0, 0}), (ClockBytes{0, 0, 0, 1, 1, 255}));
    EXPECT_FALSE(ToClockBytes(DateTime{1999, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(ToClockBytes(DateTime{2256, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FromClockBytes({0, 0, 0, 29, 2, 24}), (DateTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(FromClockBytes({0, 0, 0, 29, 2, 0}), (DateTime{2000, 2, 29, 0, 0, 0}));
    for (ClockBytes bad : {ClockBytes{0, 0, 0, 29, 2, 23}, ClockBytes{0, 0, 24, 1, 1, 23},
                           ClockBytes{60, 0, 0, 1, 1, 13}, ClockBytes{0, 59, 23, 31, 13, 13}})
        EXPECT_FALSE(FromClockBytes(bad)) << +bad[3] << "." << +bad[4];
}

TEST_F(ScannerTest, DecodesPackets) {
    // Packet; barcode, symbology and time stamp read from it (none: the
    // session's date). Length 3 leaves no data; it must not read as "data up
    // to the end".
    const std::tuple<std::string, std::string, std::string, std::optional<DateTime>> cases[] = {
        {"12 08 38 37 31 32 33 34 35 36 37 38 39 30 36" + kStamp, "8712345678906", "EAN-13",
         kWorkedExample},
        {"05 08 73 C3 DD 0D", "", "EAN-13", std::nullopt},
        {"09 08 41 00 42 43" + kStamp, "ABC", "EAN-13", kWorkedExample},
        {"03 08 41 42 43 44 45", "", "EAN-13", DateTime{2002, 5, 16, 16, 48, 0}},
        {"06 C8 41" + kStamp, "A", "200", kWorkedExample}};
    for (const auto& [packet, barcode, symbology, stamp] : cases) {
        auto scanner = Connected("packet = " + packet + "\n");
        ASSERT_EQ(scanner->ReadBarcodes(true), 1) << packet;
        auto session = scanner->ReadSession();
        auto read = session->Barcode(1);
        EXPECT_EQ(std::make_tuple(read->Barcode(), read->Symbology(), read->TimeStamp()),
                  std::make_tuple(barcode, symbology, stamp.value_or(session->SessionDate())))
            << packet;
    }
}

// The detail line also shows the virtual scanner's packet byte for byte.
// Read-outs that find no data keep the previous session.
TEST_F(ScannerTest, ReadOutsWriteTheirEntriesInOrder) {
    auto scanner = Connected("barcode = 2013-04-23 07:47:28 | 8 | 8712345678906\n");
    EXPECT_EQ(scanner->ReadBarcodes(false), 1);  // keeps the scanner's data
    trace_.Clear();
    ASSERT_EQ(scanner->ReadBarcodes(true), 1);
    EXPECT_THAT(
        ScannerTrace(),
        ElementsAre(
            "  Entering clsOPN2001.ReadBarcodes (Clear = True)",
            "  Calling API csp2DataAvailable...", "  csp2DataAvailable = 1",
            "  Entering clsOPN2001.ReadData (Clear = True)", "  Calling API csp2ReadData...",
            "  csp2ReadData = 1", "  Calling API csp2GetPacket (lngBarcode = 0)...",
            "  csp2GetPacket = 19",
            "  Barcode data (hex) = 12083837313233343536373839303672F3DD0D" + std::string(62, '0'),
            "  Entering clsOPN2001.GetSymbology (CodeID = 8)", "  Calling API csp2GetCodeType...",
            "  csp2GetCodeType = 6", "  Exiting clsOPN2001.GetSymbology (=EAN-13)",
            "  Calling API csp2ClearData", "  Raising event BarcodesRead",
            "  Exiting clsOPN2001.ReadData (=1)", "  Exiting clsOPN2001.ReadBarcodes (=1)"));
    // The scanner is empty now; then it answers with an error.
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    Plug("COM3", "fail csp2DataAvailable = -7\n");
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    ASSERT_EQ(raised_.size(), 2u);
    EXPECT_NE(raised_[0], raised_[1]);
    EXPECT_EQ(scanner->ReadSession(), raised_[1]);
}

// The pipeline runs inside the event; a timer tick meanwhile may read again or
// release the scanner object, which must not pull the session from under it.
TEST_F(ScannerTest, HandlerMayReadAgainOrReleaseTheScanner) {
    std::unique_ptr<clsOPN2001> scanner = Connected(kOneBarcode);
    int calls = 0;
    std::vector<std::string> seen;
    scanner->SetBarcodesReadHandler([&](const std::shared_ptr<clsReadSession>& session) {
        if (++calls == 1) {
            Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 2\n");
            EXPECT_EQ(scanner->ReadBarcodes(true), 1);
        } else {
            scanner.reset();
        }
        seen.push_back(session->Barcode(1)->Barcode());
    });
    EXPECT_EQ(scanner->ReadBarcodes(true), 1);
    // Each handler still sees its own session after the other ran.
    EXPECT_EQ(seen, (std::vector<std::string>{"2", "1"}));
    EXPECT_FALSE(scanner);
}

TEST_F(ScannerTest, ReadOutsWithRefusedMissingOrFailingPackets) {
    // Added to one barcode: a refused packet between two good ones (the
    // others still go through and the scanner is cleared: a refused packet
    // is refused at every read); no packets (the
    // event still hands out the empty session); a failed transfer (no event:
    // it is no empty scanner); more packets than a 16-bit counter; second
    // packets whose length puts the time stamp outside them (the session
    // keeps the first); nothing but a failing event handler. Only a read
    // that got packets clears the scanner, with one call.
    const std::string outside = "scanned data: [9] Subscript out of range";
    const std::tuple<std::string, int32_t, std::string, int, std::string> cases[] = {
        {"barcode = 2013-04-23 07:47:29 | 6 | Q0002\nbarcode = 2013-04-23 07:47:30 | 1 | ABC\n"
         "fail csp2GetPacket 1 = -1\n",
         2, "1,ABC", 0, "\t1 of 3 barcode packet(s) could not be read\r\n"},
        {"fail csp2ReadData = 0\n", 0, "", 1, "Raising event BarcodesRead"},
        {"fail csp2ReadData = -7\n", -1, "", 1, "scanned data: [57] Device I/O error (Quarnel)"},
        {"result csp2ReadData = 32768\n", -1, "", 1, "scanned data: [6] Overflow (Quarnel)"},
        {"packet = 3C 08 41\n", -1, "1", 2, outside},
        {"packet = 32 08 41" + kStamp + "\n", -1, "1", 2, outside},
        {"packet = 02 08 41 42\n", -1, "1", 2, outside},
        {"packet = 00\n", -1, "1", 2, outside},
        {"", -1, "1", 0, "scanned data: [61] Disk full (Quarnel)"}};
    for (const auto& [file, result, barcodes, stored, line] : cases) {
        raised_.clear();
        auto scanner = Connected(kOneBarcode + file);
        if (file.empty())
            scanner->SetBarcodesReadHandler([](auto&) { RaiseError(ErrNo::DiskFull); });
        EXPECT_EQ(scanner->ReadBarcodes(true), result) << file;
        EXPECT_EQ(raised_.size(), result < 0 ? 0u : 1u);
        std::string read;
        for (int i = 1; i <= scanner->ReadSession()->CountBarcodes(); ++i)
            read += (i > 1 ? "," : "") + scanner->ReadSession()->Barcode(i)->Barcode();
        EXPECT_EQ(read, barcodes);
        EXPECT_EQ(StoredRecords(), stored);
        EXPECT_TRUE(TraceHas(line));
        EXPECT_EQ(std::ranges::count(ScannerTrace(), "  Calling API csp2ClearData"), stored == 0);
        EXPECT_EQ(TraceHas("csp2GetPacket"), !barcodes.empty());
    }
}

TEST_F(ScannerTest, DeviceInformationWithFailingQueries) {
    const std::string id = "000102030A0BFEFF";
    const std::tuple<std::string, int32_t, int32_t, std::string, std::string> cases[] = {
        {"", 7, 22, "2.31", id},
        {"fail csp2Interrogate = 3\n", 0, 0, "", ""},
        {"fail csp2GetProtocol = -1\n", 0, 22, "2.31", id},
        {"fail csp2GetSystemStatus = -1\n", 7, 0, "2.31", id},
        {"result csp2GetSwVersion = 1\n", 7, 22, "", id},
        {"fail csp2GetDeviceId = -2\n", 7, 22, "2.31", ""}};
    for (const auto& [file, protocol, status, software, deviceId] : cases) {
        SCOPED_TRACE(file);
        auto scanner = Connected("identity = " + id + "\nsoftware = 2.31\nprotocol = 7\n" +
                                 "status = 22\n" + kOneBarcode + file);
        const DeviceInfoValue expected[] = {protocol, status, software, deviceId, {}};
        for (int32_t info = 0; info < 5; ++info)
            EXPECT_EQ(scanner->GetDeviceInfo(info), expected[info]) << info;
        ASSERT_EQ(scanner->ReadBarcodes(true), 1);
        EXPECT_EQ(scanner->ReadSession()->DeviceID(), deviceId);
    }
}

TEST_F(ScannerTest, ConnectRules) {
    Plug("COM3", kOneBarcode);
    Plug("COM4", "fail csp2InitEx = 5\n");
    Plug("COM5", std::string("\x00\xFF\x01garbage\n=\n", 13));
    auto scanner = NewScanner();
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);  // not connected
    EXPECT_THROW(scanner->ReadSession(), QuarnelError);
    EXPECT_FALSE(scanner->Disconnect());
    EXPECT_FALSE(TraceHas("Calling API"));
    // No scanner on COM9; a refusing and a corrupt one.
    for (int port : {9, 4, 5}) EXPECT_FALSE(scanner->Connect(port)) << port;
    EXPECT_TRUE(TraceHas("csp2InitEx = 5"));
    EXPECT_FALSE(TraceHas("csp2Interrogate"));
    ASSERT_TRUE(scanner->Connect(3));
    trace_.Clear();
    EXPECT_TRUE(scanner->Connect(9));  // already connected: no call
    EXPECT_FALSE(TraceHas("csp2InitEx"));
    EXPECT_TRUE(scanner->Disconnect());
    EXPECT_FALSE(scanner->Disconnect());
    ASSERT_TRUE(scanner->Connect(3));
    trace_.Clear();
    scanner.reset();  // disconnects
    EXPECT_THAT(ScannerTrace(), Contains("  Disconnecting OPN-2001"));
    EXPECT_EQ(ScannerTrace().back(), "  Exiting clsOPN2001.Disconnect (=True)");
}

TEST_F(ScannerTest, LibraryThatCannotBeBoundFailsEveryOperation) {
    Plug("COM3", "");
    const std::string noEntry = "[453] Can't find DLL entry point ",
                      noLoad = "[48] Error in loading DLL";
    const std::array<std::string, 3> libraries[] = {
        {"libc.so.6", noEntry + "csp2InitEx", noEntry + "csp2GetDllVersion"},
        {"/nonexistent/libcsp2.so", noLoad, noLoad}};
    for (const auto& [library, connectError, versionError] : libraries) {
        auto scanner = NewScanner(platform::LoadScannerLibrary(library));
        EXPECT_FALSE(scanner->Connect(3));
        EXPECT_TRUE(trace_.Contains(
            "Error trying to connect to OPN-2001 on COM port 3: " + connectError + " (Quarnel)"));
        trace_.Clear();
        EXPECT_EQ(Param(*scanner, 2), std::make_pair(false, 0));
        // The call's error is not logged, its previous result repeated.
        EXPECT_THAT(ScannerTrace(),
                    ElementsAre("  Entering clsOPN2001.GetParam (ParamID = 2)",
                                "  Calling API csp2GetParam...", "  csp2GetParam = 0",
                                "  Exiting clsOPN2001.GetParam (=False, Value = 0)"));
        EXPECT_FALSE(scanner->SetDefaults());
        EXPECT_EQ(Clock(*scanner), std::make_pair(false, kBefore));
        EXPECT_EQ(scanner->GetDLLVersion(), "");
        EXPECT_TRUE(trace_.Contains("  Error getting OPN-2001 DLL Version: " + versionError +
                                    " (Quarnel)"));
    }
    // The environment names the library the system binding loads.
    ScopedEnv unset("QUARNEL_CSP2_LIBRARY", "/nonexistent/libcsp2.so");
    EXPECT_FALSE(NewScanner()->Connect(3));
}

TEST_F(ScannerTest, VersionParametersAndClock) {
    auto scanner = Connected("clock-bytes = 00 3B 17 1F 0C 0D\n");
    EXPECT_EQ(scanner->GetDLLVersion(), "Virtual 1.0");
    EXPECT_TRUE(trace_.Contains("  Calling API csp2GetDLLVersion..."));
    EXPECT_EQ(Param(*scanner, 2), std::make_pair(true, 1));
    EXPECT_TRUE(scanner->SetParam(2, 0));
    EXPECT_EQ(Param(*scanner, 2), std::make_pair(true, 0));
    EXPECT_TRUE(scanner->SetDefaults());
    EXPECT_EQ(Param(*scanner, 2), std::make_pair(true, 1));
    EXPECT_EQ(Param(*scanner, 99), std::make_pair(false, 0));  // unknown to the scanner
    EXPECT_EQ(Clock(*scanner), std::make_pair(true, DateTime{2013, 12, 31, 23, 59, 0}));
    const DateTime wanted{2026, 12, 5, 17, 29, 16};
    ASSERT_TRUE(scanner->SetDateTime(wanted));
    auto [read, clock] = Clock(*scanner);  // running from there
    EXPECT_TRUE(read);
    EXPECT_LE(std::llabs(static_cast<long long>(clock.ToTimeT() - wanted.ToTimeT())), 2);
    // Dates the year byte cannot hold are not sent.
    trace_.Clear();
    EXPECT_FALSE(scanner->SetDateTime(DateTime{1999, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(TraceHas("csp2SetTime"));

    scanner.reset();  // the library holds a single connection
    EXPECT_EQ(Clock(*Connected("clock-bytes = 00 3B 17 1F 0D 0D\n")),  // month 13
              std::make_pair(false, kBefore));
    scanner = Connected(
        "result csp2GetDllVersion = 2\nresult csp2GetParam 2 = 1\nfail csp2SetTime = -3\n"
        "fail csp2GetTime = -3\nfail csp2SetDefaults = -1\n");
    EXPECT_EQ(scanner->GetDLLVersion(), "");
    EXPECT_EQ(Param(*scanner, 2), std::make_pair(false, 0));
    EXPECT_FALSE(scanner->SetDateTime(wanted));
    EXPECT_EQ(Clock(*scanner), std::make_pair(false, kBefore));
    EXPECT_FALSE(scanner->SetDefaults());
}

// The virtual scanner.

TEST(ScannerFileTest, GarbageIsRejected) {
    const std::string barcode = "barcode = 2013-04-23 07:47:28 | ";
    // clang-format off
    const std::string garbage[] = {
        std::string("\x00\x01\x02", 3), "identity = 0001", "identity = zz01020304050607",
        "software = 123456789", "status = lots", "param 2 = 256", "param x = 1", barcode + "8",
        "barcode = 2064-01-01 00:00:00 | 8 | 1", "barcode = 2013-02-30 00:00:00 | 8 | 1",
        barcode + "256 | 1", barcode + std::string("8 | a\0b", 7), barcode + "8 | " + std::string(251, 'x'),
        "packet = ", "packet = 1", "clock-offset = 99999999999999", "fail csp2Nothing = 1",
        "fail csp2GetPacket 1 2 = 1", "result csp2GetParam", "colour = blue", "no equals sign"};
    // clang-format on
    for (const auto& text : garbage) {
        std::string error;
        EXPECT_FALSE(ParseScannerFile(text, error)) << text;
        EXPECT_THAT(error, HasSubstr("line 1"));
    }
}

TEST(SymbologiesTest, NamesAndCodes) {
    EXPECT_FALSE(SymbologyCode("999") || SymbologyName(0));
    for (int id = 1; id <= 16; ++id)  // fits the program's buffer with its NUL
        EXPECT_LT(SymbologyName(id).value_or("no name, and too long").size(), 20u) << id;
    EXPECT_EQ(GuessSymbology("12345670"), 9);
    EXPECT_EQ(GuessSymbology("Q0002"), 6);
}

TEST(VscanToolTest, PlugScanShowUnplug) {
    TempDir dir;
    auto run = [&](const std::string& arguments) { return RunVscan(dir.Path(), arguments); };
    ASSERT_EQ(run("plug com7 --id 000102030A0BFEFF --battery low --sw 1.5 --symbology code39 ABC"),
              0);
    ASSERT_EQ(run("scan COM7 8712345678906"), 0);
    // More barcodes than a Windows command line holds come from a file.
    WriteFileBytes(dir.File("list.txt"), "4006381333931\r\n\r\nQ0012\n");
    ASSERT_EQ(run("scan COM7 --barcodes '" + dir.File("list.txt") + "' 12345670"), 0);
    std::string output;
    ASSERT_EQ(RunVscan(dir.Path(), "show COM7", &output), 0);
    for (const char* shown : {"000102030A0BFEFF", "low (status 22)", "Code 39", "EAN-13", " 2=1",
                              "Barcodes:          5", "12345670\n", "4006381333931\n  ", "Q0012\n"})
        EXPECT_THAT(output, HasSubstr(shown));
    EXPECT_EQ(run("plug COM7"), 1);
    EXPECT_EQ(run("unplug COM7"), 0);
    EXPECT_EQ(run("unplug COM7"), 1);
    EXPECT_EQ(run("scan COM7 1"), 1);
    // Bad arguments.
    for (const std::string& bad : std::initializer_list<std::string>{
             "plug COM0", "plug LPT1", "plug COM10000", "plug COM7 --id 12",
             "plug COM7 --battery half", "plug COM7 --sw 123456789", "plug COM7 --symbology qr 1",
             "fly COM7", "plug", "plug COM7 --wat", "scan COM7", "plug COM7 'ABC '",
             "scan COM7 --barcodes /nonexistent", "plug COM7 " + std::string(45, '1')})
        EXPECT_EQ(run(bad), 2) << bad;
    EXPECT_FALSE(std::ifstream(dir.File("COM7.scanner")).good());
}

}  // namespace
}  // namespace quarnel::test
