#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "app/ErrorInfo.h"
#include "app/TraceLog.h"

namespace quarnel {
namespace {

using test::TraceCapture;

TEST(TraceLog, LineFormatIndentsDetailAndFoldsCrLf) {
    DateTime when{2026, 12, 5, 7, 9, 3};
    EXPECT_EQ(FormatTraceLine(when, "Starting", false), "05-12-2026 07:09:03\tStarting");
    EXPECT_EQ(FormatTraceLine(when, "Entering x", true), "05-12-2026 07:09:03\t  Entering x");
    EXPECT_EQ(FormatTraceLine(when, "a\r\nb\rc\nd\r\n", false), "05-12-2026 07:09:03\ta b\rc\nd ");
}

TEST(TraceLog, WritesCrLfLinesWithOptionalBlankLineInAnsi) {
    TraceCapture capture(false, true);
    WriteTrace("Starting Quarnel", false, true);
    WriteTrace("caf\xC3\xA9 \xE2\x82\xAC");
    std::string bytes = capture.Bytes();
    // "\r\n" + "dd-mm-yyyy hh:nn:ss" TAB message CR LF, twice.
    ASSERT_EQ(bytes.size(), 2 + 20 + 18 + 20 + 8) << bytes;
    EXPECT_EQ(bytes.substr(0, 2), "\r\n");
    for (size_t start : {size_t{2}, size_t{2 + 20 + 18}}) {
        std::string stamp = bytes.substr(start, 19);
        for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15, 17, 18})
            EXPECT_TRUE(std::isdigit(stamp[i])) << stamp;
        EXPECT_EQ(std::string() + stamp[2] + stamp[5] + stamp[10] + stamp[13] + stamp[16], "-- ::");
        EXPECT_EQ(bytes[start + 19], '\t');
    }
    EXPECT_EQ(bytes.substr(22, 18), "Starting Quarnel\r\n");
    EXPECT_EQ(bytes.substr(60), "caf\xE9 \x80\r\n");
}

TEST(TraceLog, KindsAreGatedByEventsAndExtendedFlag) {
    struct Case {
        bool extended, events;
        std::vector<std::string> expected;
    };
    for (const Case& c :
         {Case{false, false, {}}, Case{false, true, {"event"}},
          Case{true, false, {"  detail", "event"}}, Case{true, true, {"  detail", "event"}}}) {
        TraceCapture capture(c.extended, c.events);
        trace::Detail("detail");
        trace::Event("event");
        EXPECT_EQ(capture.Messages(), c.expected) << c.extended << c.events;
    }
}

TEST(TraceLog, EntryHelpersWriteTheirPatterns) {
    TraceCapture capture;
    trace::Entering("clsOrder.Line",
                    TraceArgs({{"Index", TraceValue(int32_t{2})}, {"Flag", TraceValue(true)}}));
    trace::Entering("clsOrder.Clear");
    trace::ExitingWith("clsOrder.CountLines", "3");
    trace::Exiting("clsOrder.Clear");
    trace::PropertyGet("clsOrder.OrderNr", "17");
    trace::PropertyLet("DeviceID", "abc");
    trace::Initializing("clsOrder");
    trace::Terminating("clsOrder");
    trace::CallingApi("csp2InitEx");
    trace::ApiResult("csp2InitEx", "0");
    trace::Handling("frmMain.tmrDetect_Timer");
    trace::RaisingEvent("BarcodesRead");
    EXPECT_EQ(capture.Messages(),
              (std::vector<std::string>{
                  "  Entering clsOrder.Line (Index = 2, Flag = True)", "  Entering clsOrder.Clear",
                  "  Exiting clsOrder.CountLines (=3)", "  Exiting clsOrder.Clear",
                  "  Property Get clsOrder.OrderNr (=17)", "  Property Let DeviceID (abc)",
                  "  Initializing clsOrder object", "  Terminating clsOrder object",
                  "  Calling API csp2InitEx...", "  csp2InitEx = 0",
                  "  Handling frmMain.tmrDetect_Timer", "  Raising event BarcodesRead"}));
}

TEST(TraceLog, ErrorEntryCarriesThePendingFailure) {
    TraceCapture capture(false, true);
    try {
        RaiseError(ErrNo::InvalidProcedureCall);
    } catch (...) {
        trace::Error("Error doing it: ");
    }
    trace::Error("Outside: ");
    EXPECT_EQ(
        capture.Messages(),
        (std::vector<std::string>{
            "Error doing it: [5] Invalid procedure call or argument (Quarnel)", "Outside: "}));
}

TEST(TraceLog, CreatesMissingFolderAndAnnouncesIt) {
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

    // A bare file name is never written, and an unwritable file is skipped silently.
    target->file = "Trace.log";
    WriteTrace("nowhere");
    EXPECT_FALSE(test::ReadFileBytes("Trace.log").size());
    // A folder in the file's place cannot be opened even by root.
    target->file = dir.File("folder.log");
    ::mkdir(target->file.c_str(), 0755);
    WriteTrace("dropped");
    struct stat info {};
    EXPECT_EQ(::stat(target->file.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST(TraceLog, NothingWithoutSettings) {
    TraceCapture capture;
    SetTraceSettings(nullptr);
    WriteTrace("lost");
    EXPECT_TRUE(capture.Messages().empty());
}

TEST(ErrorInfo, ErrorTextOnlyWhileHandling) {
    EXPECT_EQ(ErrorText(), "");
    try {
        RaiseError(ErrNo::SubscriptOutOfRange);
    } catch (...) {
        EXPECT_EQ(ErrorText(), "[9] Subscript out of range (Quarnel)");
    }
    try {
        throw QuarnelError(-2147194455, "Failed", "quarnel.cRegistry");
    } catch (...) {
        EXPECT_EQ(ErrorText(), "[-2147194455] Failed (quarnel.cRegistry)");
    }
    EXPECT_EQ(ErrorFromErrno(ENOSPC).Number(), ErrNo::DiskFull);
    EXPECT_EQ(ErrorFromErrno(EACCES).Number(), ErrNo::PermissionDenied);
}

}  // namespace
}  // namespace quarnel
