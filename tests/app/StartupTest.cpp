// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/modMain.h"

namespace quarnel {
namespace {

using ::testing::HasSubstr;

TEST(Startup, ExtendedSwitch) {
    for (const char* on : {"extended", "/extended", "-EXTENDED"})
        EXPECT_TRUE(IsExtendedSwitch(on)) << on;
    for (const char* off : {"--extended", "/extended/debug", "", "extended x", "/"})
        EXPECT_FALSE(IsExtendedSwitch(off)) << off;
}

class StartupRun : public ::testing::Test {
  protected:
    void Start(const std::string& commandLine) {
        Main(commandLine, StartupEnvironment{registry, dir.Path(), "/usr/bin/quarnel"});
    }
    void TearDown() override {
        if (Settings()) ExitApplication();
        SetExtendedLogging(false);
    }
    std::string Trace() const { return test::ReadFileBytes(dir.File("Trace.log")); }

    test::TempDir dir;
    std::shared_ptr<test::FakeRegistry> registry = std::make_shared<test::FakeRegistry>();
};

TEST_F(StartupRun, RunIsFramedByStartAndExitEntriesUnlessTracingIsOff) {
    Start("extended");
    EXPECT_TRUE(ExtendedLogging());
    EXPECT_EQ(Settings()->TraceFile(), dir.File("Trace.log"));
    ExitApplication();
    EXPECT_FALSE(Settings());
    WriteTrace("after the end");
    const std::string trace = Trace();
    EXPECT_TRUE(trace.ends_with("\tExiting Quarnel\r\n")) << trace;
    // Events off and not extended: nothing at all.
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "TraceEvents", "0");
    Start("");
    ExitApplication();
    EXPECT_EQ(Trace(), trace);
}

// TraceEvents falls back to on before the problems are traced.
TEST_F(StartupRun, EverySettingThatCannotBeReadIsTraced) {
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "TraceEvents", "abc");
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "QuantityPositioning", "x1");
    Start("");
    for (const std::string name : {"QuantityPositioning", "TraceEvents"})
        EXPECT_THAT(Trace(), HasSubstr("\tError reading setting '" + name +
                                       "': [13] Type mismatch (Quarnel)\r\n"));
}

}  // namespace
}  // namespace quarnel
