#include <gtest/gtest.h>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/modMain.h"

namespace quarnel {
namespace {

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

TEST_F(StartupRun, RunIsFramedByStartAndExitEntries) {
    Start("extended");
    EXPECT_TRUE(ExtendedLogging());
    EXPECT_EQ(Settings()->TraceFile(), dir.File("Trace.log"));
    ExitApplication();
    EXPECT_FALSE(Settings());
    WriteTrace("after the end");
    EXPECT_TRUE(Trace().ends_with("\tExiting Quarnel\r\n")) << Trace();
}

TEST_F(StartupRun, NoTraceWhenEventsOffAndNotExtended) {
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "TraceEvents", "0");
    Start("");
    ExitApplication();
    EXPECT_EQ(Trace(), "");
}

TEST_F(StartupRun, UnusableSettingsFallBackToDefaultsWithErrorEntries) {
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "TraceEvents", "abc");
    registry->PutText("HKCU\\Software\\Hollinde\\Quarnel", "QuantityPositioning", "x1");
    Start("");
    EXPECT_TRUE(Settings()->TraceEvents());
    EXPECT_EQ(Settings()->QuantityPositioning(), 1);
    for (const std::string name : {"QuantityPositioning", "TraceEvents"})
        EXPECT_NE(Trace().find("\tError reading setting '" + name +
                               "': [13] Type mismatch (Quarnel)\r\n"),
                  std::string::npos)
            << Trace();
}

}  // namespace
}  // namespace quarnel
