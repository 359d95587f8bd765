// The desktop's URL opener, with stand-in xdg-open scripts on PATH.
#include <sys/stat.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/UrlOpener.h"

namespace quarnel::test {
namespace {

class UrlOpenerTest : public ::testing::Test {
  protected:
    // An xdg-open that writes its arguments, one a line, and ends as told.
    void InstallOpener(const std::string& ending) {
        const std::string script = dir_.File("xdg-open");
        WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir_.File("args") + "'\n" +
                                   ending + "\n");
        ::chmod(script.c_str(), 0755);
    }
    std::string Arguments() const { return ReadFileBytes(dir_.File("args")); }

    TempDir dir_;
    ScopedEnv path_{"PATH", dir_.Path() + ":/usr/bin:/bin"};
};

// Characters a shell would act on reach the opener as one argument.
const std::string kUrl =
    "http://127.0.0.1:8080/nl/quarnel/quarnelorder.aspx?order=1&deb=2;$(touch x)`id`";

TEST_F(UrlOpenerTest, ExitStatusZeroIsSuccess) {
    InstallOpener("exit 0");
    auto opener = platform::SystemUrlOpener();
    EXPECT_GT(opener->ShellExecuteA("open", kUrl, "", "", platform::SW_HIDE), 32);
    EXPECT_EQ(Arguments(), kUrl + "\n");
}

TEST_F(UrlOpenerTest, FailuresAreAtMost32) {
    InstallOpener("exit 3");
    auto opener = platform::SystemUrlOpener();
    EXPECT_LE(opener->ShellExecuteA("open", kUrl, "", "", platform::SW_HIDE), 32);
    EXPECT_LE(opener->ShellExecuteA("open", "-x", "", "", platform::SW_HIDE), 32);
    EXPECT_LE(opener->ShellExecuteA("print", kUrl, "", "", platform::SW_HIDE), 32);
}

TEST_F(UrlOpenerTest, MissingOpenerIsAFailure) {
    ScopedEnv emptyPath("PATH", dir_.Path());
    EXPECT_LE(platform::SystemUrlOpener()->ShellExecuteA("open", kUrl, "", "", 0), 32);
}

TEST_F(UrlOpenerTest, OpenerStillRunningCountsAsOpened) {
    InstallOpener("exec 2>/dev/null; sleep 2");
    auto opener = platform::SystemUrlOpener(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(opener->ShellExecuteA("open", kUrl, "", "", 0), 32);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace quarnel::test
