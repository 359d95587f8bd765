// Connecting to the OPN-2001 and reading its barcodes, through the real
// dynamic binding to the virtual scanner library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "VirtualScannerFixture.h"
#include "model/clsBarcode.h"

namespace quarnel::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

const DateTime kWorkedExample{2013, 4, 23, 7, 47, 28};
const std::string kStamp = "72 F3 DD 0D";  // 2013-04-23 07:47:28

struct PacketCase {
    const char* name;
    std::string packet;  // hex, as the library hands it out
    int32_t result;      // of ReadBarcodes
    std::string barcode;
    std::optional<DateTime> stamp;  // nothing: the session's date
    std::string symbology = "EAN-13";
};

void PrintTo(const PacketCase& c, std::ostream* os) {
    *os << c.name;
}

class PacketTest : public VirtualScannerTest, public ::testing::WithParamInterface<PacketCase> {};

TEST_P(PacketTest, DecodesOnePacket) {
    const PacketCase& c = GetParam();
    Plug("COM3", "packet = " + c.packet + "\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(true), c.result);
    auto session = scanner->ReadSession();
    if (c.result < 0) {
        EXPECT_TRUE(raised_.empty());
        EXPECT_TRUE(TraceHas("Error while reading scanned data: [9] Subscript out of range"));
        EXPECT_EQ(StoredRecords("COM3"), 1);  // not cleared
        return;
    }
    ASSERT_EQ(session->CountBarcodes(), 1);
    auto barcode = session->Barcode(1);
    EXPECT_EQ(barcode->Barcode(), c.barcode);
    EXPECT_EQ(barcode->Symbology(), c.symbology);
    EXPECT_EQ(barcode->TimeStamp(), c.stamp.value_or(session->SessionDate()));
}

INSTANTIATE_TEST_SUITE_P(
    Packets, PacketTest,
    ::testing::Values(
        PacketCase{"WorkedExample", "12 08 38 37 31 32 33 34 35 36 37 38 39 30 36 " + kStamp, 1,
                   "8712345678906", kWorkedExample},
        PacketCase{"MinuteSixty", "05 08 73 C3 DD 0D", 1, "", std::nullopt},
        PacketCase{"ThirtyFirstOfApril", "05 08 72 F3 FD 0D", 1, "", std::nullopt},
        PacketCase{"MonthThirteen", "05 08 72 F3 DF 4D", 1, "", std::nullopt},
        PacketCase{"HourTwentyFour", "05 08 72 FC 5D 0D", 1, "", std::nullopt},
        PacketCase{"DayZero", "05 08 72 F3 81 0D", 1, "", std::nullopt},
        PacketCase{"NulBytesDropped", "09 08 41 00 42 43 " + kStamp, 1, "ABC", kWorkedExample},
        PacketCase{"NoDataBytes", "05 08 " + kStamp, 1, "", kWorkedExample},
        // Length 3 leaves no data; it must not read as "data up to the end".
        PacketCase{"LengthThree", "03 08 41 42 43 44 45", 1, "", DateTime{2002, 5, 16, 16, 48, 0}},
        PacketCase{"UnknownCodeId", "06 C8 41 " + kStamp, 1, "A", kWorkedExample, "200"},
        PacketCase{"LengthTwo", "02 08 41 42", -1, "", std::nullopt},
        PacketCase{"LengthFifty", "32 08 41 " + kStamp, -1, "", std::nullopt},
        PacketCase{"LengthZero", "00", -1, "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualScannerTest, ReadOutOfThreePacketsWithTheSecondRefused) {
    Plug("COM4",
         "barcode = 2013-04-23 07:47:28 | 8 | 8712345678906\n"
         "barcode = 2013-04-23 07:47:29 | 6 | Q0002\n"
         "barcode = 2013-04-23 07:47:30 | 1 | ABC\n"
         "fail csp2GetPacket 1 = -1\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(4));
    EXPECT_EQ(scanner->ReadBarcodes(true), 2);
    ASSERT_EQ(raised_.size(), 1u);
    EXPECT_EQ(raised_[0], scanner->ReadSession());
    EXPECT_EQ(raised_[0]->CountBarcodes(), 2);
    EXPECT_EQ(raised_[0]->Barcode(1)->Barcode(), "8712345678906");
    EXPECT_EQ(raised_[0]->Barcode(2)->Barcode(), "ABC");
    EXPECT_EQ(raised_[0]->Barcode(2)->Symbology(), "Code 39");
    EXPECT_EQ(raised_[0]->DeviceID(), "0000000000000000");
    EXPECT_EQ(StoredRecords("COM4"), 0);
    auto trace = ScannerTrace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "  Calling API csp2ClearData"), 1);
}

TEST_F(VirtualScannerTest, ReadOutWritesItsEntriesInOrder) {
    Plug("COM3", "packet = 12 08 38 37 31 32 33 34 35 36 37 38 39 30 36 " + kStamp + "\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    trace_.Clear();
    ASSERT_EQ(scanner->ReadBarcodes(true), 1);
    std::string hex =
        "120838373132333435363738393036"
        "72F3DD0D" +
        std::string(62, '0');
    EXPECT_THAT(
        ScannerTrace(),
        ElementsAre(
            "  Entering clsOPN2001.ReadBarcodes (Clear = True)",
            "  Calling API csp2DataAvailable...", "  csp2DataAvailable = 1",
            "  Entering clsOPN2001.ReadData (Clear = True)", "  Calling API csp2ReadData...",
            "  csp2ReadData = 1", "  Calling API csp2GetPacket (lngBarcode = 0)...",
            "  csp2GetPacket = 19", "  Barcode data (hex) = " + hex,
            "  Entering clsOPN2001.GetSymbology (CodeID = 8)", "  Calling API csp2GetCodeType...",
            "  csp2GetCodeType = 6", "  Exiting clsOPN2001.GetSymbology (=EAN-13)",
            "  Calling API csp2ClearData", "  Raising event BarcodesRead",
            "  Exiting clsOPN2001.ReadData (=1)", "  Exiting clsOPN2001.ReadBarcodes (=1)"));
}

TEST_F(VirtualScannerTest, ReadBarcodesWithoutConnectionCallsNothing) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    EXPECT_TRUE(raised_.empty());
    EXPECT_FALSE(TraceHas("Calling API"));
    EXPECT_THROW(scanner->ReadSession(), QuarnelError);
}

TEST_F(VirtualScannerTest, NothingAvailableKeepsThePreviousSession) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    ASSERT_EQ(scanner->ReadBarcodes(true), 1);
    auto first = scanner->ReadSession();
    // The scanner is empty now; then it answers with an error.
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    Plug("COM3", "fail csp2DataAvailable = -7\n");
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    EXPECT_EQ(raised_.size(), 1u);
    EXPECT_EQ(scanner->ReadSession(), first);
}

TEST_F(VirtualScannerTest, ZeroPacketsRaisesTheEventWithAnEmptySession) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\nfail csp2ReadData = 0\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    ASSERT_EQ(raised_.size(), 1u);
    EXPECT_EQ(raised_[0]->CountBarcodes(), 0);
    EXPECT_THAT(ScannerTrace(), Not(Contains("  Calling API csp2ClearData")));
    EXPECT_EQ(StoredRecords("COM3"), 1);
}

TEST_F(VirtualScannerTest, MorePacketsThanASixteenBitCounterFailsTheReadOut) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\nresult csp2ReadData = 32768\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(true), -1);
    EXPECT_TRUE(trace_.Contains("Error while reading scanned data: [6] Overflow (Quarnel)"));
    EXPECT_FALSE(TraceHas("csp2GetPacket"));
}

TEST_F(VirtualScannerTest, ReadWithoutClearKeepsTheScannersData) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(false), 1);
    EXPECT_EQ(scanner->ReadBarcodes(false), 1);
    EXPECT_EQ(raised_.size(), 2u);
    EXPECT_NE(raised_[0], raised_[1]);
}

TEST_F(VirtualScannerTest, FailedReadOutKeepsThePartialSessionAndTheScannersData) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\npacket = 3C 08 41\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(true), -1);
    EXPECT_TRUE(raised_.empty());
    EXPECT_EQ(scanner->ReadSession()->CountBarcodes(), 1);
    EXPECT_EQ(StoredRecords("COM3"), 2);
}

TEST_F(VirtualScannerTest, ConnectReadsTheDeviceInformation) {
    Plug("COM3", "identity = 000102030A0BFEFF\nsoftware = 2.31\nprotocol = 7\nstatus = 22\n");
    auto scanner = NewScanner();
    EXPECT_TRUE(scanner->Connect(3));
    EXPECT_TRUE(scanner->Connected());
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoSWVersion)), "2.31");
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoProtocol), DeviceInfoValue(int32_t{7}));
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoSystemStatus), DeviceInfoValue(int32_t{22}));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(scanner->GetDeviceInfo(4)));
    EXPECT_TRUE(trace_.Contains("Connecting to OPN-2001 on COM port 3..."));
    EXPECT_TRUE(trace_.Contains("  Exiting clsOPN2001.GetDeviceInfo (=)"));
}

struct DeviceInfoCase {
    const char* name;
    std::string file;
    int32_t protocol, status;
    std::string software, id;
};

void PrintTo(const DeviceInfoCase& c, std::ostream* os) {
    *os << c.name;
}

class DeviceInfoTest : public VirtualScannerTest,
                       public ::testing::WithParamInterface<DeviceInfoCase> {};

TEST_P(DeviceInfoTest, FailingQueriesLeaveTheirFieldReset) {
    const DeviceInfoCase& c = GetParam();
    Plug("COM3", "identity = 0102030405060708\nprotocol = 5\nsoftware = 1.0\n" + c.file);
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoProtocol), DeviceInfoValue(c.protocol));
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoSystemStatus), DeviceInfoValue(c.status));
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoSWVersion), DeviceInfoValue(c.software));
    EXPECT_EQ(scanner->GetDeviceInfo(DeviceInfoDeviceID), DeviceInfoValue(c.id));
}

INSTANTIATE_TEST_SUITE_P(
    Queries, DeviceInfoTest,
    ::testing::Values(DeviceInfoCase{"AllAnswer", "", 5, 0, "1.0", "0102030405060708"},
                      DeviceInfoCase{"NoInterrogation", "fail csp2Interrogate = 3\n", 0, 0, "", ""},
                      DeviceInfoCase{"StatusNegative", "fail csp2GetSystemStatus = -1\n", 5, 0,
                                     "1.0", "0102030405060708"},
                      DeviceInfoCase{"VersionLengthZero", "result csp2GetSwVersion = 0\n", 5, 0, "",
                                     "0102030405060708"},
                      DeviceInfoCase{"VersionLengthOne", "result csp2GetSwVersion = 1\n", 5, 0, "",
                                     "0102030405060708"},
                      DeviceInfoCase{"IdentityRefused", "fail csp2GetDeviceId = -2\n", 5, 0, "1.0",
                                     ""},
                      DeviceInfoCase{"ProtocolRefused", "fail csp2GetProtocol = -1\n", 0, 0, "1.0",
                                     "0102030405060708"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualScannerTest, NoInterrogationGivesSessionsWithoutDeviceId) {
    Plug("COM3", "fail csp2Interrogate = 1\nbarcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    ASSERT_EQ(scanner->ReadBarcodes(true), 1);
    EXPECT_EQ(scanner->ReadSession()->DeviceID(), "");
}

TEST_F(VirtualScannerTest, ConnectRules) {
    Plug("COM3", "");
    auto scanner = NewScanner();
    EXPECT_FALSE(scanner->Disconnect());
    EXPECT_FALSE(scanner->Connect(9));  // no scanner on COM9
    EXPECT_FALSE(TraceHas("csp2Interrogate"));
    ASSERT_TRUE(scanner->Connect(3));
    trace_.Clear();
    EXPECT_TRUE(scanner->Connect(9));  // already connected: no call
    EXPECT_FALSE(TraceHas("csp2InitEx"));
    EXPECT_TRUE(scanner->Disconnect());
    EXPECT_FALSE(scanner->Connected());
    EXPECT_FALSE(scanner->Disconnect());
    EXPECT_THAT(ScannerTrace(), Contains("  Exiting clsOPN2001.Disconnect (=False)"));
}

TEST_F(VirtualScannerTest, ConnectFailsOnARefusingOrCorruptScanner) {
    Plug("COM3", "fail csp2InitEx = 5\n");
    Plug("COM4", "identity = not hex\n");
    Plug("COM5", std::string("\x00\xFF\x01garbage\n=\n", 13));
    auto scanner = NewScanner();
    EXPECT_FALSE(scanner->Connect(3));
    EXPECT_FALSE(scanner->Connect(4));
    EXPECT_FALSE(scanner->Connect(5));
    EXPECT_TRUE(TraceHas("csp2InitEx = 5"));
}

TEST_F(VirtualScannerTest, ScannerFileCorruptedWhileConnectedFailsEveryOperation) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    ASSERT_TRUE(scanner->Connect(3));
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8\n");
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);
    uint8_t value = 9;
    EXPECT_FALSE(scanner->GetParam(2, value));
    DateTime clock;
    EXPECT_FALSE(scanner->GetDateTime(clock));
    EXPECT_FALSE(scanner->SetDefaults());
    EXPECT_TRUE(scanner->Disconnect());
}

struct LoadFailureCase {
    const char* name;
    const char* library;
    std::string error;
};

void PrintTo(const LoadFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class LibraryLoadTest : public VirtualScannerTest,
                        public ::testing::WithParamInterface<LoadFailureCase> {};

TEST_P(LibraryLoadTest, ConnectReportsTheBindingFailure) {
    Plug("COM3", "");
    auto scanner = NewScanner(platform::LoadScannerLibrary(GetParam().library));
    EXPECT_FALSE(scanner->Connect(3));
    EXPECT_TRUE(
        trace_.Contains("Error trying to connect to OPN-2001 on COM port 3: " + GetParam().error));
    EXPECT_EQ(scanner->GetDLLVersion(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Bindings, LibraryLoadTest,
    ::testing::Values(LoadFailureCase{"Missing", "/nonexistent/libcsp2.so",
                                      "[48] Error in loading DLL (Quarnel)"},
                      LoadFailureCase{"WithoutTheFunctions", "libc.so.6",
                                      "[453] Can't find DLL entry point csp2InitEx (Quarnel)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualScannerTest, EnvironmentNamesTheLibrary) {
    Plug("COM3", "");
    {
        ScopedEnv library("QUARNEL_CSP2_LIBRARY", "/nonexistent/libcsp2.so");
        EXPECT_FALSE(NewScanner()->Connect(3));
    }
    EXPECT_TRUE(NewScanner()->Connect(3));
}

TEST_F(VirtualScannerTest, DestroyingAConnectedScannerDisconnects) {
    Plug("COM3", "");
    NewScanner()->Connect(3);
    auto trace = ScannerTrace();
    EXPECT_THAT(trace, Contains("  Disconnecting OPN-2001"));
    EXPECT_EQ(trace.back(), "  Exiting clsOPN2001.Disconnect (=True)");
}

TEST_F(VirtualScannerTest, HandlerFailureEndsTheReadOut) {
    Plug("COM3", "barcode = 2013-04-23 07:47:28 | 8 | 1\n");
    auto scanner = NewScanner();
    scanner->SetBarcodesReadHandler(
        [](const std::shared_ptr<clsReadSession>&) { RaiseError(ErrNo::DiskFull); });
    ASSERT_TRUE(scanner->Connect(3));
    EXPECT_EQ(scanner->ReadBarcodes(true), -1);
    EXPECT_TRUE(trace_.Contains("Error while reading scanned data: [61] Disk full (Quarnel)"));
}

}  // namespace
}  // namespace quarnel::test
