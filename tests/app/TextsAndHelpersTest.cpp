// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>

#include "TestSupport.h"
#include "base/Ansi.h"
#include "base/DateTime.h"
#include "base/ErrorInfo.h"
#include "base/Numeric.h"
#include "base/modTexts.h"
#include "base/modUtils.h"
#include "platform/Paths.h"

namespace quarnel {
namespace {

using platform::Language;
using platform::PathStyle;

TEST(Texts, EnglishAndDutchWithPlaceholders) {
    {
        test::ScopedEnv lang("LANG", "en_US.UTF-8");
        EXPECT_EQ(GetText(127), "Exteded logging");
        EXPECT_EQ(GetText(129, "/home/u/Scans/"),
                  "The barcodes could not be saved in '/home/u/Scans/'.");
        // Surplus values are dropped, missing ones leave the mark.
        EXPECT_EQ(GetText(131, std::vector<std::string>{"a", "b"}),
                  "The order could not be saved in 'a'.");
        EXPECT_EQ(GetText(131, std::vector<std::string>{}),
                  "The order could not be saved in '<<1>>'.");
        EXPECT_THROW(GetText(100), QuarnelError);
        EXPECT_EQ(GetText(176, std::vector<std::string>{"/d/u.csv", GetText(133)}),
                  "The order was not sent. It is kept as '/d/u.csv'; choose 'Resend saved order' "
                  "to send it later.");
        EXPECT_THROW(GetText(184), QuarnelError);
        EXPECT_THROW(GetText(191), QuarnelError);
    }
    // LC_MESSAGES outranks LANG; LC_ALL outranks both.
    test::ScopedEnv lang("LANG", "nl_NL.UTF-8");
    test::ScopedEnv messages("LC_MESSAGES", "en_GB.UTF-8");
    EXPECT_EQ(GetText(144), "Exit");
    test::ScopedEnv all("LC_ALL", "nl_NL");
    EXPECT_EQ(GetText(144), "Afsluiten");
}

TEST(DateForms, ShortDateTimeAroundMidnightAndTimeTRoundTrip) {
    const DateTime midnight{2026, 1, 2, 0, 5, 9}, evening{2026, 12, 5, 17, 29, 16};
    EXPECT_EQ(ShortDateTime(midnight, Language::English), "1/2/2026 12:05:09 AM");
    EXPECT_EQ(ShortDateTime(midnight, Language::Dutch), "2-1-2026 0:05:09");
    EXPECT_EQ(DateTime::FromTimeT(evening.ToTimeT()), evening);
}

TEST(Ansi, ConvertsWindows1252BothWays) {
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C"), "caf\xE9 \x80 \x93");
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD \xF0\x9F\x98\x80"), "? ?");  // not in the code page
    EXPECT_EQ(Utf8ToAnsi(std::string("a\xFF") + "b\xC3"), "a?b?");  // malformed input
    for (int byte = 1; byte < 256; ++byte) {
        std::string ansi(1, static_cast<char>(byte));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(ansi)), ansi) << byte;
    }
}

TEST(Numeric, AcceptsSignFractionExponentAndBlanks) {
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {"0012", 12},  {" 12 ", 12},  {"-001", -1}, {"+3", 3},   {"2.9", 2.9}, {".5", 0.5},
        {"1e3", 1000}, {"1E-1", 0.1}, {"", {}},     {"  ", {}},  {"abc", {}},  {"12A4", {}},
        {"1e", {}},    {"-", {}},     {".", {}},    {"1,5", {}}, {"1 2", {}},  {"1e999", {}}};
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseNumeric(text), value) << text;
    test::ScopedEnv dutch("LANG", "nl_NL.UTF-8");
    EXPECT_EQ(ParseNumeric("1,5"), 1.5);
    EXPECT_EQ(ParseNumeric("1.5"), 1.5);
}

TEST(Utils, FindPathRootInBothStyles) {
    using enum PathStyle;
    const std::vector<std::tuple<PathStyle, std::string, std::optional<std::string>>> cases = {
        {Windows, "C:\\a\\b", "C:\\"}, {Windows, "\\\\server\\share\\orders", "\\\\server\\"},
        {Windows, "\\\\server", {}},   {Windows, "Orders\\2024", {}},
        {Windows, "1:\\x", {}},        {Posix, "/home/u", "/"},
        {Posix, "C:\\a", {}}};
    for (const auto& [style, path, root] : cases)
        EXPECT_EQ(FindPathRoot(path, style), root) << path;
}

TEST(Utils, FileExistsAndCheckCreateFolder) {
    test::TempDir dir;
    const std::string sep(1, platform::PathSeparator());
    test::TraceCapture capture(false, true);
    test::WriteFileBytes(dir.File("f.txt"), "x");
    EXPECT_TRUE(FileExists(dir.File("f.txt")));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(FileExists(dir.Path(), kAttrDirectory));
    EXPECT_FALSE(FileExists(dir.File("f.txt" + sep)));

    EXPECT_TRUE(CheckCreateFolder(dir.File("a" + sep + "b" + sep + "c" + sep)));
    EXPECT_TRUE(FileExists(dir.File("a" + sep + "b" + sep + "c"), kAttrDirectory));
    // Relative paths are refused; a file in the way fails with an error entry.
    EXPECT_FALSE(CheckCreateFolder("Orders/2024"));
    EXPECT_FALSE(FileExists("Orders", kAttrDirectory));
    EXPECT_FALSE(CheckCreateFolder(dir.File("f.txt" + sep + "sub")));
    EXPECT_THAT(
        capture.Messages(),
        testing::ElementsAre("Created folder '" + dir.File("a" + sep + "b" + sep + "c") + "'",
                             testing::StartsWith("Error checking/creating folder '" +
                                                 dir.File("f.txt" + sep + "sub") + "': [")));
}

TEST(Utils, ByteHelpers) {
    std::vector<uint8_t> bytes = {0x0A, 0xFF, 0x00};
    EXPECT_EQ(BytesToHex(bytes, 0, -1, true), "0A FF 00");
    EXPECT_EQ(BytesToString({0x41, 0x00, 0x42}, 0), "AB");
    EXPECT_EQ(BytesToString({0x41, 0xE9, 0x80}, 1, 2), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_THROW(BytesToHex(bytes, 0, 3), QuarnelError);
    EXPECT_THROW(BytesToString(bytes, -1, 1), QuarnelError);
    EXPECT_THROW(AbsInt(int16_t{INT16_MIN}), QuarnelError);
}

}  // namespace
}  // namespace quarnel
