// Library version, parameters, factory defaults and clock of the OPN-2001,
// through the real dynamic binding to the virtual scanner library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "VirtualScannerFixture.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ScannerSettingsTest : public VirtualScannerTest {
  protected:
    std::unique_ptr<clsOPN2001> Connected(const std::string& file) {
        Plug("COM3", file);
        auto scanner = NewScanner();
        EXPECT_TRUE(scanner->Connect(3));
        trace_.Clear();
        return scanner;
    }
};

TEST_F(ScannerSettingsTest, DllVersion) {
    auto scanner = NewScanner();
    trace_.Clear();
    EXPECT_EQ(scanner->GetDLLVersion(), "Virtual 1.0");
    EXPECT_THAT(ScannerTrace(),
                ElementsAre("  Entering clsOPN2001.GetDLLVersion",
                            "  Calling API csp2GetDLLVersion...", "  csp2GetDLLVersion = 0",
                            "  Exiting clsOPN2001.GetDLLVersion (=Virtual 1.0)"));
}

TEST_F(ScannerSettingsTest, DllVersionResultTwoIsAFailureWhateverTheBuffer) {
    auto scanner = Connected("result csp2GetDllVersion = 2\n");
    EXPECT_EQ(scanner->GetDLLVersion(), "");
}

TEST_F(ScannerSettingsTest, MissingLibraryLogsTheErrorAndRepeatsThePreviousResult) {
    auto scanner = NewScanner(platform::LoadScannerLibrary("/nonexistent/libcsp2.so"));
    trace_.Clear();
    uint8_t value = 7;
    EXPECT_FALSE(scanner->GetParam(2, value));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(scanner->SetDefaults());
    DateTime clock{2020, 1, 2, 3, 4, 5};
    EXPECT_FALSE(scanner->GetDateTime(clock));
    EXPECT_EQ(clock, (DateTime{2020, 1, 2, 3, 4, 5}));
    EXPECT_EQ(scanner->GetDLLVersion(), "");
    auto trace = ScannerTrace();
    EXPECT_THAT(
        std::vector<std::string>(trace.begin(), trace.begin() + 4),
        ElementsAre("  Entering clsOPN2001.GetParam (ParamID = 2)", "  Calling API csp2GetParam...",
                    "  csp2GetParam = 0", "  Exiting clsOPN2001.GetParam (=False, Value = 0)"));
    EXPECT_TRUE(trace_.Contains(
        "  Error getting OPN-2001 DLL Version: [48] Error in loading DLL (Quarnel)"));
}

TEST_F(ScannerSettingsTest, ParametersAndFactoryDefaults) {
    auto scanner = Connected("");
    uint8_t value = 0;
    EXPECT_TRUE(scanner->GetParam(2, value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(scanner->SetParam(2, 0));
    EXPECT_THAT(ScannerText("COM3"), HasSubstr("param 2 = 0"));
    EXPECT_TRUE(scanner->GetParam(2, value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(scanner->SetDefaults());
    EXPECT_TRUE(scanner->GetParam(2, value));
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(scanner->GetParam(99, value));  // unknown to the scanner
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(trace_.Contains("  Entering clsOPN2001.SetParam (ParamID = 2, Value = 0)"));
    EXPECT_TRUE(trace_.Contains("  Exiting clsOPN2001.SetParam (=True)"));
    EXPECT_TRUE(trace_.Contains("  Exiting clsOPN2001.SetDefaults"));
}

TEST_F(ScannerSettingsTest, ParameterReadAnsweringOneIsAFailure) {
    auto scanner = Connected("result csp2GetParam 2 = 1\n");
    uint8_t value = 5;
    EXPECT_FALSE(scanner->GetParam(2, value));
    EXPECT_EQ(value, 0);
}

struct ClockCase {
    const char* name;
    const char* bytes;
    bool result;
    DateTime expected;
};

void PrintTo(const ClockCase& c, std::ostream* os) {
    *os << c.name;
}

class ClockReadTest : public ScannerSettingsTest,
                      public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ClockReadTest, ReadsTheClockBuffer) {
    auto scanner = Connected(std::string("clock-bytes = ") + GetParam().bytes + "\n");
    const DateTime before{2001, 2, 3, 4, 5, 6};
    DateTime clock = before;
    EXPECT_EQ(scanner->GetDateTime(clock), GetParam().result);
    EXPECT_EQ(clock, GetParam().result ? GetParam().expected : before);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, ClockReadTest,
    ::testing::Values(ClockCase{"EndOf2013", "00 3B 17 1F 0C 0D", true, {2013, 12, 31, 23, 59, 0}},
                      ClockCase{"MonthThirteen", "00 3B 17 1F 0D 0D", false, {}},
                      ClockCase{"FebruaryThirtieth", "00 00 00 1E 02 0D", false, {}},
                      ClockCase{"SecondSixty", "3C 00 00 01 01 0D", false, {}},
                      ClockCase{"Year2255", "00 00 00 01 01 FF", true, {2255, 1, 1, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScannerSettingsTest, SettingTheClockMakesItRunFromThere) {
    auto scanner = Connected("clock-bytes = 00 00 00 01 01 0D\n");
    const DateTime wanted{2026, 12, 5, 17, 29, 16};
    ASSERT_TRUE(scanner->SetDateTime(wanted));
    DateTime clock;
    ASSERT_TRUE(scanner->GetDateTime(clock));
    EXPECT_LE(std::llabs(static_cast<long long>(clock.ToTimeT() - wanted.ToTimeT())), 2);
    EXPECT_TRUE(trace_.Contains("  Calling API csp2SetTime..."));
}

TEST_F(ScannerSettingsTest, ClockOutsideTheYearByteIsNotSent) {
    auto scanner = Connected("");
    EXPECT_FALSE(scanner->SetDateTime(DateTime{1999, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(scanner->SetDateTime(DateTime{2256, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(scanner->SetDateTime(DateTime{2020, 2, 30, 0, 0, 0}));
    EXPECT_FALSE(TraceHas("csp2SetTime"));
}

TEST_F(ScannerSettingsTest, ClockRefusedByTheScanner) {
    auto scanner = Connected("fail csp2SetTime = -3\nfail csp2GetTime = -3\n");
    DateTime clock{2020, 1, 1, 0, 0, 0};
    EXPECT_FALSE(scanner->SetDateTime(DateTime{2026, 12, 5, 17, 29, 16}));
    EXPECT_FALSE(scanner->GetDateTime(clock));
    EXPECT_EQ(clock, (DateTime{2020, 1, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace quarnel::test
