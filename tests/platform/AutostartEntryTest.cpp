#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RegistryTestSupport.h"
#include "platform/linux/AutostartView.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using namespace std::string_literals;

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

StoredValue Command(const std::string& command) {
    return {REG_SZ, command + '\0'};
}

std::vector<std::string> FolderContent(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using AutostartEntryTest = RegistryTest;

TEST_F(AutostartEntryTest, InterruptedWriteLeavesTheOldEntryWhole) {
    const std::string entry = Autostart("Quarnel.desktop");
    AutostartView first(Autostart());
    ASSERT_EQ(first.Set("Quarnel", Command("/home/\xC5\x82ukasz/old")), 0);
    ASSERT_EQ(first.Set("Quarnel", Command("/opt/new")), 0);
    EXPECT_THAT(FolderContent(Autostart()), ElementsAre("Quarnel.desktop"));
    EXPECT_EQ(std::filesystem::status(entry).permissions(), std::filesystem::perms(0644));

    // A process killed between writing and renaming leaves the entry as it was.
    const std::string old = ReadFileBytes(entry);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AutostartView killed(Autostart(), [] { raise(SIGKILL); });
        killed.Set("Quarnel", Command("/opt/never"));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadFileBytes(entry), old);
    EXPECT_EQ(Get(*registry, HKEY_CURRENT_USER, kRun, "Quarnel"), Value(0, REG_SZ, "/opt/new\0"s));
    // The leftover temporary file is no entry.
    EXPECT_EQ(FolderContent(Autostart()).size(), 2u);
    EXPECT_THAT(List(*registry, HKEY_CURRENT_USER, kRun), ElementsAre("Quarnel"));
}

TEST_F(AutostartEntryTest, EntrySwitchedOffByTheDesktopCountsAsAbsent) {
    std::filesystem::create_directories(Autostart());
    for (const auto& [line, on] :
         {std::pair("Hidden=true", false), std::pair("X-GNOME-Autostart-enabled=false", false),
          std::pair("Hidden=false", true), std::pair("X-GNOME-Autostart-enabled=true", true)}) {
        WriteFileBytes(Autostart("Quarnel.desktop"), "[Desktop Entry]\nExec=/q\n"s + line + "\n");
        EXPECT_EQ(List(*registry, HKEY_CURRENT_USER, kRun).size(), on ? 1u : 0u) << line;
        EXPECT_EQ(std::get<0>(Get(*registry, HKEY_CURRENT_USER, kRun, "Quarnel")),
                  on ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
            << line;
    }
}

}  // namespace
}  // namespace quarnel::test
