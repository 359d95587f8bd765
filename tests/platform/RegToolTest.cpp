// SPDX-License-Identifier: MIT
#include <sys/wait.h>

#include <sstream>

#include "RegCommand.h"
#include "RegistryTestSupport.h"

namespace quarnel::test {
namespace {

using ::testing::HasSubstr;

// A command line split at its blanks.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST(RegCommandTest, ParsesLikeRegExeAndRejectsBadCommandLines) {
    EXPECT_TRUE(reg::ParseRegCommand({"/?"}).help);
    for (const char* bad :
         {"", "copy HKCU\\A", "query HKCR\\A", "query HKCU\\A /d x", "add HKCU\\A /v",
          "add HKCU\\A /v N /t REG_BINARY /d 00", "add HKCU\\A /v N /v M", "delete HKCU\\A /f"}) {
        auto parsed = reg::ParseRegCommand(Words(bad));
        EXPECT_FALSE(parsed.command || parsed.help) << bad;
        EXPECT_THAT(parsed.error, ::testing::StartsWith("ERROR: ")) << bad;
    }
}

// Runs the built quarnel-reg on the fixture's store.
class QuarnelRegTest : public RegistryTest {
  protected:
    struct Result {
        int status;
        std::string out, err;
    };
    Result Run(const std::vector<std::string>& args) {
        // The folders are made by mkdtemp and the arguments hold no quotes.
        std::string command = "XDG_CONFIG_HOME=" + dir.Path() + " " QUARNEL_REG_EXE;
        for (const auto& arg : args) command += " '" + arg + "'";
        command += " </dev/null >" + dir.File("out") + " 2>" + dir.File("err");
        int result = std::system(command.c_str());
        return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, ReadFileBytes(dir.File("out")),
                ReadFileBytes(dir.File("err"))};
    }
    Result Run(const std::string& line) { return Run(Words(line)); }
};

TEST_F(QuarnelRegTest, AddAndQueryRoundTripEachType) {
    // Options in any case, starting with "/" or "-", and a trailing "\\" are welcome.
    const std::string key = "HKCU\\Software\\Hollinde\\Quarnel\\";
    for (const char* options :
         {" /v Orders /t REG_EXPAND_SZ /d %HOME%\\O\\", " /V Count -t REG_DWORD /D 4294967295",
          " /v Mask /t reg_dword /d 0x1F"}) {
        Result run = Run("ADD " + key + options);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "The operation completed successfully.\n");
    }
    EXPECT_EQ(Run({"add", key, "/v", "Debtor", "/d", "Caf\xC3\xA9 \xE2\x82\xAC 1"}).status, 0);
    Result query = Run("query hkey_current_user\\Software\\Hollinde\\Quarnel");
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out,
              "\nHKEY_CURRENT_USER\\Software\\Hollinde\\Quarnel\n"
              "    Orders    REG_EXPAND_SZ    %HOME%\\O\\\n"
              "    Count    REG_DWORD    0xffffffff\n"
              "    Mask    REG_DWORD    0x1f\n"
              "    Debtor    REG_SZ    Caf\xC3\xA9 \xE2\x82\xAC 1\n\n");
    EXPECT_EQ(
        Run("query " + key + " /v Mask").out,
        "\nHKEY_CURRENT_USER\\Software\\Hollinde\\Quarnel\n    Mask    REG_DWORD    0x1f\n\n");
    // The store holds the text as it was given, in UTF-8.
    EXPECT_EQ(Get(*registry, HKEY_CURRENT_USER, "Software\\Hollinde\\Quarnel", "Debtor"),
              Value(0, REG_SZ, "Caf\xC3\xA9 \xE2\x82\xAC 1\0"s));
}

TEST_F(QuarnelRegTest, AsksBeforeOverwritingOrDeletingAndFailsWithoutATerminal) {
    const std::string value = "HKCU\\Software\\Test /v A";
    ASSERT_EQ(Run("add " + value + " /d 1").status, 0);
    Result overwrite = Run("add " + value + " /d 2");
    EXPECT_EQ(overwrite.status, 1);
    EXPECT_THAT(overwrite.err, HasSubstr("/f"));
    EXPECT_EQ(Run("delete " + value).status, 1);
    EXPECT_THAT(Run("query " + value).out, HasSubstr("REG_SZ    1\n"));
    EXPECT_EQ(Run("add " + value + " /d 2 /f").status, 0);
    EXPECT_EQ(Run("delete HKCU\\Software\\Test /v a /f").status, 0);
    Result missing = Run("query " + value);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "ERROR: The system was unable to find the specified registry key or value.\n");
    EXPECT_EQ(Run("add HKCU\\Software\\Test /v N /t REG_DWORD /d 4294967296").status, 1);
    EXPECT_EQ(Run("add HKCU\\Software\\Test /v \xC5\x81 /d \xC5\x82").status, 0);
    EXPECT_THAT(Run("query HKCU\\Software\\Test").out,
                HasSubstr("\xC5\x81    REG_SZ    \xC5\x82\n"));
    EXPECT_EQ(Run("add HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM /v x /d COM1").err,
              "ERROR: Access is denied.\n");
}

TEST_F(QuarnelRegTest, ReportsACorruptStoreAndLeavesItAlone) {
    std::filesystem::create_directories(dir.File("Quarnel"));
    WriteFileBytes(StorePath(), std::string(4096, '\x5A'));
    Result run = Run("add HKCU\\Software\\Q /v A /d 1 /f");
    EXPECT_EQ(std::pair(run.status, run.err),
              std::pair(1, "ERROR: [1009] The registry store '" + StorePath() +
                               "' is not a valid database (Quarnel)\n"));
    EXPECT_EQ(ReadFileBytes(StorePath()), std::string(4096, '\x5A'));
}

}  // namespace
}  // namespace quarnel::test
