// SPDX-License-Identifier: MIT
// The settings on the user's Linux store: an XDG autostart entry the desktop
// switched off.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"
#include "settings/clsSettings.h"

namespace quarnel {
namespace {

using namespace platform;

class SettingsOnThisPlatform : public ::testing::Test {
  protected:
    std::unique_ptr<clsSettings> Open() {
        return std::make_unique<clsSettings>(OpenUserRegistry(EmptySerialPortTable()),
                                             kHome + "/Quarnel", kHome + "/bin/quarnel");
    }
    static inline const std::string kHome = "/home/\xC5\x82ukasz";  // outside Windows-1252
    test::TempDir dir;
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir.Path()};
    test::ScopedEnv home{"HOME", kHome};
    const std::string entry = dir.File("autostart/Quarnel.desktop");
};

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
