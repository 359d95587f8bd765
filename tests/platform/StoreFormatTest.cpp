// SPDX-License-Identifier: MIT
#include <sqlite3.h>

#include "RegistryTestSupport.h"
#include "backends/linux/RegistryNames.h"
#include "base/Ansi.h"

namespace quarnel::test {
namespace {

// The letter pairs Windows-1252 names matched without regard to case.
bool AnsiCasePair(uint8_t a, uint8_t b) {
    auto upper = [](uint8_t c) -> uint8_t {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
        if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 0x10;
        return c == 0xFF ? 0x9F : c;
    };
    return upper(a) == upper(b);
}

TEST(RegistryNamesTest, MatchTheSameWindows1252LettersAsBeforeAndMoreScripts) {
    // Converted names match exactly when they matched before: a converted store keeps them apart.
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; ++b) {
            std::string x = AnsiToUtf8(std::string(1, static_cast<char>(a)));
            std::string y = AnsiToUtf8(std::string(1, static_cast<char>(b)));
            ASSERT_EQ(SameName(x, y), AnsiCasePair(a, b)) << a << " " << b;
        }
    }
    for (const auto& [a, b, same] : {
             std::tuple("\xC5\x82\xC3\xB3\x64\xC5\xBA", "\xC5\x81\xC3\x93\x44\xC5\xB9", true),
             std::tuple("\xD0\xBF\xD1\x80\xD0\xB8\xD1\x91", "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x81",
                        true),
             std::tuple("\xCF\x83\xCF\x82", "\xCE\xA3\xCE\xA3", true),
             std::tuple("\xC4\xB1", "I", false),  // dotless i
             std::tuple("\xC3\x9F", "SS", false),
             std::tuple("\xFF\x61\xC3", "\xFF\x41\xC3", true),  // stray bytes kept
         }) {
        EXPECT_EQ(SameName(a, b), same) << a << " " << b;
    }
    // Key names are limited in characters, not bytes.
    std::string letters;
    for (int i = 0; i < 255; ++i) letters += "\xC5\x82";
    EXPECT_TRUE(SplitKeyPath("A\\" + letters).has_value());
    EXPECT_FALSE(SplitKeyPath("A\\" + letters + "x").has_value());
}

using StoreConversionTest = RegistryTest;

TEST_F(StoreConversionTest, AnsiStoreIsConvertedOnceOnItsFirstOpen) {
    // A store as the previous version wrote it: Windows-1252 names and text.
    std::filesystem::create_directories(dir.File("Quarnel"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(StorePath().c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE keys (id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
        " name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE (parent, fold));"
        "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys (id), seq INTEGER NOT NULL,"
        " name BLOB NOT NULL, fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
        " PRIMARY KEY (key, fold));"
        "INSERT INTO keys VALUES (1, 0, CAST('HKEY_CURRENT_USER' AS BLOB),"
        " CAST('HKEY_CURRENT_USER' AS BLOB)),"
        " (2, 0, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB)),"
        " (3, 1, CAST('Software' AS BLOB), CAST('SOFTWARE' AS BLOB)),"
        " (4, 3, x'436166E9', x'434146C9'),"  // Café
        // é, whose new folded form is the old one of Ã‰ beside it
        " (5, 3, x'E9', x'C9'), (6, 3, x'C389', x'C389');"
        "INSERT INTO vals VALUES"
        " (4, 1, x'E9', x'C9', 1, x'2F686F6D652F6AE972F46D6500'),"  // é = /home/jérôme
        " (4, 2, x'9A', x'8A', 2, x'254845524525800000'),"  // š = %HERE%€ (and a stray 0)
        " (4, 3, CAST('Multi' AS BLOB), CAST('MULTI' AS BLOB), 7, x'E900E80000'),"
        " (4, 4, CAST('Bin' AS BLOB), CAST('BIN' AS BLOB), 3, x'E9FF'),"
        " (4, 5, CAST('Num' AS BLOB), CAST('NUM' AS BLOB), 4, x'E9000000');"
        "PRAGMA application_id = 1364346183; PRAGMA user_version = 1;";
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const std::string cafe = "Software\\CAF\xC3\x89";
    const std::string expected[][3] = {
        {"\xC3\x89", "\x01", "/home/j\xC3\xA9r\xC3\xB4me\0"s},
        {"\xC5\xA0", "\x02", "%HERE%\xE2\x82\xAC\0\0"s},
        {"multi", "\x07", "\xC3\xA9\0\xC3\xA8\0\0"s},
        {"BIN", "\x03", "\xE9\xFF"s},
        {"num", "\x04", "\xE9\0\0\0"s},
    };
    for (int pass = 0; pass < 2; ++pass) {
        registry = Open();
        for (const auto& [name, type, data] : expected) {
            EXPECT_EQ(Get(*registry, HKEY_CURRENT_USER, cafe, name),
                      Value(0, static_cast<uint32_t>(type[0]), data))
                << name << " pass " << pass;
        }
        EXPECT_THAT(List(*registry, HKEY_CURRENT_USER, "Software\\caf\xC3\xA9"),
                    ElementsAre("\xC3\xA9", "\xC5\xA1", "Multi", "Bin", "Num"));
        for (const char* key : {"Software\\\xC3\x89", "Software\\\xC3\x83\xE2\x80\xB0"})
            EXPECT_EQ(TryOpen(*registry, HKEY_CURRENT_USER, key), 0) << key;
        EXPECT_EQ(registry->StoreProblem(), "");
        // Text written after the conversion is already UTF-8 and stays as it is.
        ASSERT_EQ(Put(*registry, cafe, "\xC3\xA9", REG_SZ, expected[0][2]), 0);
    }
}

}  // namespace
}  // namespace quarnel::test
