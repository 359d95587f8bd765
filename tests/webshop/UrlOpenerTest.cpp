// SPDX-License-Identifier: MIT
// The desktop's URL opener, with stand-in xdg-open scripts on PATH.
#include <sys/stat.h>

#include <filesystem>

#include "WebshopTestSupport.h"

namespace quarnel::test {
namespace {

// Characters a shell would act on reach the opener as one argument.
const std::string kUrl =
    "http://127.0.0.1:8080/nl/quarnel/quarnelorder.aspx?order=1&deb=2;$(touch x)`id`";

TEST(UrlOpenerTest, OpensOnlyUrlsAndOnlyWithExitStatusZero) {
    TempDir dir;
    ScopedEnv path("PATH", dir.Path() + ":/usr/bin:/bin");
    // An xdg-open that appends its arguments, one a line, and ends as told.
    auto install = [&](const std::string& ending) {
        WriteFileBytes(dir.File("xdg-open"),
                       "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + dir.File("args") + "'\n" + ending);
        ::chmod(dir.File("xdg-open").c_str(), 0755);
    };
    auto open = [](const std::string& operation, const std::string& url,
                   std::chrono::milliseconds waitLimit = std::chrono::seconds(10)) {
        return platform::SystemUrlOpener(waitLimit)->ShellExecuteA(operation, url, "", "",
                                                                   platform::SW_HIDE);
    };
    install("exit 0");
    EXPECT_GT(open("open", kUrl), 32);
    EXPECT_LE(open("open", "-x"), 32);   // never an option of xdg-open
    EXPECT_LE(open("print", kUrl), 32);  // only "open"
    EXPECT_EQ(ReadFileBytes(dir.File("args")), kUrl + "\n");
    install("exit 3");
    EXPECT_LE(open("open", kUrl), 32);
    // Still running after the wait counts as opened; the opener does not
    // wait for the end.
    install("exec >/dev/null 2>&1; sleep 30; : > '" + dir.File("ended") + "'");
    EXPECT_GT(open("open", kUrl, std::chrono::milliseconds(200)), 32);
    EXPECT_FALSE(std::filesystem::exists(dir.File("ended")));
    ScopedEnv noOpener("PATH", dir.File("none"));
    EXPECT_LE(open("open", kUrl), 32);
}

}  // namespace
}  // namespace quarnel::test
