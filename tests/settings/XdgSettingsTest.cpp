// SPDX-License-Identifier: MIT
// The settings on the Linux store: names outside Windows-1252 and the XDG
// autostart entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "SettingsDump.h"
#include "TestSupport.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"

namespace quarnel {
namespace {

using namespace platform;

class SettingsOnThisPlatform : public ::testing::Test {
  protected:
    std::unique_ptr<clsSettings> Open(const std::string& folder = kHome + "/Quarnel") {
        return std::make_unique<clsSettings>(OpenUserRegistry(EmptySerialPortTable()), folder,
                                             kHome + "/bin/quarnel");
    }
    static inline const std::string kHome = "/home/\xC5\x82ukasz";  // outside Windows-1252
    test::TempDir dir;
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir.Path()};
    test::ScopedEnv home{"HOME", kHome};
    const std::string entry = dir.File("autostart/Quarnel.desktop");
};

TEST_F(SettingsOnThisPlatform, NamesOutsideWindows1252SurviveSaveAndReload) {
    auto settings = Open();
    settings->SetOrdersFolder("%HOME%/Orders/");
    settings->SetUser("\xC5\x81\xC3\xB3\x64\xC5\xBA");
    settings->Save();
    EXPECT_NE(test::ReadFileBytes(entry).find("\nExec=" + kHome + "/bin/quarnel\n"),
              std::string::npos);
    // Reloaded beside another application folder: every value comes from the store.
    settings = Open("/elsewhere");
    EXPECT_EQ(Dump(*settings), "1|0|1|" + kHome + "/Quarnel/Barcodes/|" + kHome + "/Orders/||1|" +
                                   kHome + "/Quarnel/Trace.log||\xC5\x81\xC3\xB3\x64\xC5\xBA||1|0");
    settings->SetAutorun(false);
    settings->Save();
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(SettingsOnThisPlatform, AutostartEntrySwitchedOffByTheDesktopIsSwitchedOnAgain) {
    std::filesystem::create_directories(dir.File("autostart"));
    for (const char* line : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        test::WriteFileBytes(entry, std::string("[Desktop Entry]\nExec=/old\n") + line + "\n");
        auto settings = Open();
        EXPECT_TRUE(settings->Autorun() && settings->AutorunChanged()) << line;
        settings->Save();
        EXPECT_EQ(test::ReadFileBytes(entry),
                  "[Desktop Entry]\nType=Application\nName=Quarnel\n"
                  "Exec=" +
                      kHome + "/bin/quarnel\n");
        EXPECT_FALSE(Open()->AutorunChanged()) << line;
    }
}

}  // namespace
}  // namespace quarnel
