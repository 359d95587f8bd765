// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "TestSupport.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "platform/Paths.h"

namespace quarnel {
namespace {

using test::TraceCapture;

TEST(TraceLog, WritesStampedCrLfLinesWithOptionalBlankLineInAnsi) {
    DateTime when{2026, 12, 5, 7, 9, 3};
    EXPECT_EQ(FormatTraceLine(when, "Entering x", true), "05-12-2026 07:09:03\t  Entering x");
    EXPECT_EQ(FormatTraceLine(when, "a\r\nb\rc\nd\r\n", false), "05-12-2026 07:09:03\ta b\rc\nd ");

    TraceCapture capture(false, true);
    WriteTrace("Starting Quarnel", false, true);
    WriteTrace("caf\xC3\xA9 \xE2\x82\xAC");
    // Time stamps vary: every digit becomes 0.
    std::string bytes = capture.Bytes();
    std::replace_if(
        bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; }, '0');
    EXPECT_EQ(bytes,
              "\r\n00-00-0000 00:00:00\tStarting Quarnel\r\n00-00-0000 00:00:00\tcaf\xE9 \x80\r\n");
}

TEST(TraceLog, KindsAreGatedByEventsAndExtendedFlag) {
    using Messages = std::vector<std::string>;
    for (const auto& [extended, events, expected] :
         {std::tuple{false, false, Messages{}}, std::tuple{false, true, Messages{"event"}},
          std::tuple{true, false, Messages{"  detail", "event"}}}) {
        TraceCapture capture(extended, events);
        trace::Detail("detail");
        trace::Event("event");
        EXPECT_EQ(capture.Messages(), expected) << extended << events;
    }
}

unsigned Mode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(TraceLog, CreatesMissingFolderAndSkipsUnusableFiles) {
    test::TempDir dir;
    TraceCapture capture(false, true);
    struct Target : TraceSettings {
        std::string file;
        std::string TraceFile() const override { return file; }
        bool TraceEvents() const override { return true; }
    };
    auto target = std::make_shared<Target>();
    target->file = dir.File("a/b/Trace.log");
    SetTraceSettings(target);
    WriteTrace("first");
    std::string bytes = test::ReadFileBytes(target->file);
    EXPECT_NE(bytes.find("\tCreated folder '" + dir.File("a/b") + "'\r\n"), std::string::npos)
        << bytes;
    EXPECT_LT(bytes.find("Created folder"), bytes.find("first"));
    // The trace names the shop user: file and folders are the user's alone.
    EXPECT_EQ(Mode(target->file), 0600u);
    EXPECT_EQ(Mode(dir.File("a")), 0700u);

    // A bare file name is never written, and an unwritable file is skipped silently.
    target->file = "Trace.log";
    WriteTrace("nowhere");
    EXPECT_EQ(test::ReadFileBytes("Trace.log"), "");
    // A folder in the file's place cannot be opened even by root.
    target->file = dir.File("folder.log");
    std::filesystem::create_directory(target->file);
    WriteTrace("dropped");
    EXPECT_TRUE(std::filesystem::is_directory(target->file));
    // Without settings nothing is written at all.
    target->file = dir.File("a/b/Trace.log");
    SetTraceSettings(nullptr);
    WriteTrace("lost");
    EXPECT_EQ(test::ReadFileBytes(dir.File("a/b/Trace.log")), bytes);
}

TEST(ApplicationFolder, IsCreatedPrivateAndMadePrivate) {
    test::TempDir dir;
    test::ScopedEnv data("XDG_DATA_HOME", dir.File("data"));
    const std::string folder = platform::ApplicationFolder();
    ASSERT_EQ(folder, dir.File("data/Quarnel"));
    EXPECT_TRUE(platform::EnsureApplicationFolder());
    EXPECT_EQ(Mode(dir.File("data")), 0700u);
    // A folder left open to others by an earlier version is closed.
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(platform::EnsureApplicationFolder());
    EXPECT_EQ(Mode(folder), 0700u);
    // A file in its place is no folder.
    std::filesystem::remove(folder);
    test::WriteFileBytes(folder, "x");
    EXPECT_FALSE(platform::EnsureApplicationFolder());
}

TEST(ErrorInfo, ErrorTextAndTheErrorEntryOnlyWhileHandling) {
    TraceCapture capture(false, true);
    try {
        throw QuarnelError(-2147194455, "Failed", "quarnel.cRegistry");
    } catch (...) {
        EXPECT_EQ(ErrorText(), "[-2147194455] Failed (quarnel.cRegistry)");
    }
    EXPECT_EQ(ErrorText(), "");
    trace::Error("Outside: ");
    EXPECT_EQ(capture.Messages(), std::vector<std::string>{"Outside: "});
    EXPECT_EQ(ErrorFromErrno(ENOSPC).Number(), ErrNo::DiskFull);
}

}  // namespace
}  // namespace quarnel
