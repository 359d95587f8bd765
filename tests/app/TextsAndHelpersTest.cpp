#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Ansi.h"
#include "app/DateTime.h"
#include "app/ErrorInfo.h"
#include "app/Numeric.h"
#include "app/modTexts.h"
#include "app/modUtils.h"

namespace quarnel {
namespace {

using platform::Language;
using platform::PathStyle;

TEST(Texts, EnglishAndDutchWithPlaceholders) {
    {
        test::ScopedEnv lang("LANG", "en_US.UTF-8");
        EXPECT_EQ(GetText(142), "Read scanner data now");
        EXPECT_EQ(GetText(127), "Exteded logging");
        EXPECT_EQ(GetText(129, "/home/u/Scans/"),
                  "The barcodes could not be saved in '/home/u/Scans/'.");
        EXPECT_EQ(GetText(139, GetText(133)),
                  "Would you like to save this order? Saved orders can be manually resend later by "
                  "choosing 'Resend saved order'.");
        EXPECT_EQ(GetText(142, "ignored"), "Read scanner data now");
    }
    {
        test::ScopedEnv lang("LANG", "nl_BE.UTF-8");
        EXPECT_EQ(GetText(142), "Scanner nu uitlezen");
        EXPECT_EQ(GetText(137, "x.csv"), "De bestelling is opgeslagen als 'x.csv'.");
    }
    {
        // LC_ALL outranks LANG; LC_MESSAGES outranks LANG.
        test::ScopedEnv lang("LANG", "nl_NL.UTF-8");
        test::ScopedEnv messages("LC_MESSAGES", "en_GB.UTF-8");
        EXPECT_EQ(GetText(144), "Exit");
        test::ScopedEnv all("LC_ALL", "nl_NL");
        EXPECT_EQ(GetText(144), "Afsluiten");
    }
}

TEST(Texts, ListFillsEachPlaceholderAndMissingIdRaises) {
    // No text has two placeholders, so check the rule on one that has one.
    EXPECT_EQ(GetText(131, std::vector<std::string>{"a", "b"}),
              "The order could not be saved in 'a'.");
    EXPECT_EQ(GetText(131, std::vector<std::string>{}), "The order could not be saved in '<<1>>'.");
    EXPECT_THROW(GetText(106), QuarnelError);
    EXPECT_THROW(GetText(175), QuarnelError);
}

TEST(DateForms, ShortDateTimeAndNamesInBothLanguages) {
    DateTime evening{2026, 12, 5, 17, 29, 16};
    DateTime midnight{2026, 1, 2, 0, 5, 9};
    EXPECT_EQ(ShortDateTime(evening, Language::English), "12/5/2026 5:29:16 PM");
    EXPECT_EQ(ShortDateTime(midnight, Language::English), "1/2/2026 12:05:09 AM");
    EXPECT_EQ(ShortDateTime(evening, Language::Dutch), "5-12-2026 17:29:16");
    EXPECT_EQ(ShortDateTime(midnight, Language::Dutch), "2-1-2026 0:05:09");
    EXPECT_EQ(evening.Weekday(), 6);
    EXPECT_EQ(WeekdayName(evening.Weekday(), Language::English), "Saturday");
    EXPECT_EQ(WeekdayName(evening.Weekday(), Language::Dutch), "zaterdag");
    EXPECT_EQ(MonthName(3, Language::Dutch), "maart");
    EXPECT_EQ(MonthName(12, Language::English), "December");
    EXPECT_EQ(DateTime::FromTimeT(evening.ToTimeT()), evening);
}

TEST(Ansi, ConvertsWindows1252BothWays) {
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C"), "caf\xE9 \x80 \x93");
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD \xF0\x9F\x98\x80"), "? ?");  // not in the code page
    EXPECT_EQ(Utf8ToAnsi("a\xFF"
                         "b\xC3"),
              "a?b?");  // malformed input
    for (int byte = 1; byte < 256; ++byte) {
        std::string ansi(1, static_cast<char>(byte));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(ansi)), ansi) << byte;
    }
}

TEST(Numeric, AcceptsSignFractionExponentAndBlanks) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    for (const Case& c :
         {Case{"0012", 12}, Case{" 12 ", 12}, Case{"-001", -1}, Case{"+3", 3}, Case{"2.9", 2.9},
          Case{".5", 0.5}, Case{"1e3", 1000}, Case{"1E-1", 0.1}, Case{"", {}}, Case{"  ", {}},
          Case{"abc", {}}, Case{"12A4", {}}, Case{"1e", {}}, Case{"-", {}}, Case{".", {}},
          Case{"1,5", {}}, Case{"1 2", {}}, Case{"1e999", {}}}) {
        EXPECT_EQ(ParseNumeric(c.text), c.value) << c.text;
    }
    test::ScopedEnv dutch("LANG", "nl_NL.UTF-8");
    EXPECT_EQ(ParseNumeric("1,5"), 1.5);
    EXPECT_EQ(ParseNumeric("1.5"), 1.5);
}

TEST(Utils, FindPathRootInBothStyles) {
    struct Case {
        const char* path;
        PathStyle style;
        std::optional<std::string> root;
    };
    for (const Case& c :
         {Case{"C:\\a\\b", PathStyle::Windows, "C:\\"}, Case{"q:\\x", PathStyle::Windows, "q:\\"},
          Case{"\\\\server\\share\\orders", PathStyle::Windows, "\\\\server\\"},
          Case{"\\\\server", PathStyle::Windows, {}}, Case{"Orders\\2024", PathStyle::Windows, {}},
          Case{"", PathStyle::Windows, {}}, Case{"1:\\x", PathStyle::Windows, {}},
          Case{"/home/u", PathStyle::Posix, "/"}, Case{"Orders/2024", PathStyle::Posix, {}},
          Case{"", PathStyle::Posix, {}}, Case{"C:\\a", PathStyle::Posix, {}}}) {
        EXPECT_EQ(FindPathRoot(c.path, c.style), c.root) << c.path;
    }
}

TEST(Utils, FileExistsAndCheckCreateFolder) {
    test::TempDir dir;
    test::TraceCapture capture(false, true);
    test::WriteFileBytes(dir.File("f.txt"), "x");
    EXPECT_TRUE(FileExists(dir.File("f.txt")));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(FileExists(dir.Path(), kAttrDirectory));
    EXPECT_TRUE(FileExists(dir.Path() + "/"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(dir.File("f.txt/")));

    EXPECT_TRUE(CheckCreateFolder(dir.Path()));
    EXPECT_TRUE(capture.Messages().empty());

    EXPECT_TRUE(CheckCreateFolder(dir.File("a/b/c/")));
    EXPECT_TRUE(FileExists(dir.File("a/b/c"), kAttrDirectory));
    EXPECT_EQ(capture.Messages(),
              std::vector<std::string>{"Created folder '" + dir.File("a/b/c") + "'"});

    EXPECT_FALSE(CheckCreateFolder("Orders/2024"));
    EXPECT_FALSE(CheckCreateFolder(""));
    EXPECT_FALSE(FileExists("Orders", kAttrDirectory));

    // A file in the way makes creation fail with an error entry.
    capture.Clear();
    EXPECT_FALSE(CheckCreateFolder(dir.File("f.txt/sub")));
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(capture.Messages()[0].rfind(
                  "Error checking/creating folder '" + dir.File("f.txt/sub") + "': [", 0),
              0u);
}

TEST(Utils, ByteHelpers) {
    std::vector<uint8_t> bytes = {0x0A, 0xFF, 0x00};
    EXPECT_EQ(BytesToHex(bytes, 0, -1, true), "0A FF 00");
    EXPECT_EQ(BytesToHex(bytes, 0, -1, false), "0AFF00");
    EXPECT_EQ(BytesToHex(bytes, 2, 1), "");
    EXPECT_EQ(BytesToString({0x41, 0x00, 0x42}, 0), "AB");
    EXPECT_EQ(BytesToString({0x41, 0xE9, 0x80}, 1, 2), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_THROW(BytesToHex(bytes, 0, 3), QuarnelError);
    EXPECT_THROW(BytesToString(bytes, -1, 1), QuarnelError);
    EXPECT_EQ(AbsInt(int16_t{-1}), 1);
    EXPECT_EQ(AbsInt(int16_t{0}), 0);
    EXPECT_EQ(AbsInt(true), 1);
    EXPECT_THROW(AbsInt(int16_t{INT16_MIN}), QuarnelError);
}

}  // namespace
}  // namespace quarnel
