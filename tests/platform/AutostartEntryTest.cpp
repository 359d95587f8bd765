// SPDX-License-Identifier: MIT
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RegistryTestSupport.h"
#include "backends/linux/XdgAutostartView.h"

namespace quarnel::test {
namespace {

using AutostartEntryTest = RegistryTest;

TEST_F(AutostartEntryTest, InterruptedWriteLeavesTheOldEntryWhole) {
    const std::string entry = Autostart("Quarnel.desktop");
    AutostartView first(Autostart());
    ASSERT_EQ(first.Set("Quarnel", {REG_SZ, "/home/\xC5\x82ukasz/old\0"s}), 0);
    ASSERT_EQ(first.Set("Quarnel", {REG_SZ, "/opt/new\0"s}), 0);
    EXPECT_EQ(Mode(entry), 0644u);
    // A process killed between writing and renaming leaves the entry as it was.
    const std::string old = ReadFileBytes(entry);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AutostartView(Autostart(), [] {
            raise(SIGKILL);
        }).Set("Quarnel", {REG_SZ, "/opt/never\0"s});
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadFileBytes(entry), old);
    EXPECT_EQ(Get(*registry, HKEY_CURRENT_USER, kRun, "Quarnel"), Value(0, REG_SZ, "/opt/new\0"s));
    // The leftover temporary file is no entry.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Autostart()), {}), 2);
    EXPECT_THAT(List(*registry, HKEY_CURRENT_USER, kRun), ElementsAre("Quarnel"));
}

}  // namespace
}  // namespace quarnel::test
