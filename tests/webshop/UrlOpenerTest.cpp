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
    // An xdg-open that appends its arguments, one a line, and ends as told.
    void InstallOpener(const std::string& ending) {
        const std::string script = dir_.File("xdg-open");
        WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + dir_.File("args") + "'\n" +
                                   ending + "\n");
        ::chmod(script.c_str(), 0755);
    }
    int32_t Open(const std::string& operation, const std::string& url,
                 std::chrono::milliseconds waitLimit = std::chrono::seconds(10)) {
        return platform::SystemUrlOpener(waitLimit)->ShellExecuteA(operation, url, "", "",
                                                                   platform::SW_HIDE);
    }

    TempDir dir_;
    ScopedEnv path_{"PATH", dir_.Path() + ":/usr/bin:/bin"};
};

// Characters a shell would act on reach the opener as one argument.
const std::string kUrl =
    "http://127.0.0.1:8080/nl/quarnel/quarnelorder.aspx?order=1&deb=2;$(touch x)`id`";

TEST_F(UrlOpenerTest, OpensOnlyUrlsAndOnlyWithExitStatusZero) {
    InstallOpener("exit 0");
    EXPECT_GT(Open("open", kUrl), 32);
    EXPECT_LE(Open("open", "-x"), 32);   // never an option of xdg-open
    EXPECT_LE(Open("print", kUrl), 32);  // only "open"
    EXPECT_EQ(ReadFileBytes(dir_.File("args")), kUrl + "\n");
    InstallOpener("exit 3");
    EXPECT_LE(Open("open", kUrl), 32);
    ScopedEnv noOpener("PATH", dir_.File("none"));
    EXPECT_LE(Open("open", kUrl), 32);
}

TEST_F(UrlOpenerTest, OpenerStillRunningAfterTheWaitCountsAsOpened) {
    InstallOpener("exec 2>/dev/null; sleep 2");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(Open("open", kUrl, std::chrono::milliseconds(200)), 32);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace quarnel::test
