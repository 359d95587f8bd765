#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RegCommand.h"
#include "RegTool.h"
#include "RegistryTestSupport.h"

namespace quarnel::test {
namespace {

using namespace platform;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(RegCommandTest, ParsesTheThreeCommandsLikeRegExe) {
    auto parsed = reg::ParseRegCommand(
        {"ADD", "hkcu\\Software\\Q\\", "/V", "N", "-t", "reg_dword", "/D", "7", "/f"});
    ASSERT_TRUE(parsed.command) << parsed.error;
    EXPECT_EQ(parsed.command->action, reg::RegAction::Add);
    EXPECT_EQ(parsed.command->hive, HKEY_CURRENT_USER);
    EXPECT_EQ(parsed.command->FullKey(), "HKEY_CURRENT_USER\\Software\\Q");
    EXPECT_EQ(parsed.command->valueName, "N");
    EXPECT_EQ(parsed.command->type, REG_DWORD);
    EXPECT_EQ(parsed.command->data, "7");
    EXPECT_TRUE(parsed.command->force);

    parsed = reg::ParseRegCommand({"query", "HKEY_LOCAL_MACHINE\\HARDWARE"});
    ASSERT_TRUE(parsed.command);
    EXPECT_EQ(parsed.command->hive, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(parsed.command->valueName);
    EXPECT_TRUE(reg::ParseRegCommand({"/?"}).help);
}

TEST(RegCommandTest, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"copy", "HKCU\\A"},
        {"query"},
        {"query", "HKCR\\A"},
        {"query", "HKCU\\A", "/d", "x"},
        {"query", "HKCU\\A", "/f"},
        {"add", "HKCU\\A", "/v"},
        {"add", "HKCU\\A", "/v", "N", "/t", "REG_BINARY", "/d", "00"},
        {"add", "HKCU\\A", "/d", "x"},
        {"add", "HKCU\\A", "/v", "N", "/v", "M"},
        {"add", "HKCU\\A", "extra"},
        {"delete", "HKCU\\A", "/f"},
    };
    for (const auto& args : bad) {
        auto parsed = reg::ParseRegCommand(args);
        EXPECT_FALSE(parsed.command || parsed.help) << ::testing::PrintToString(args);
        EXPECT_THAT(parsed.error, StartsWith("ERROR: "));
    }
}

TEST(RegCommandTest, ShowsDataAsRegExeDoes) {
    EXPECT_EQ(reg::RegDataText(REG_DWORD, std::string("\xFF\x00\x00\x80", 4)), "0x800000ff");
    EXPECT_EQ(reg::RegDataText(REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x01\x02", 4)), "0x102");
    EXPECT_EQ(reg::RegDataText(REG_BINARY, std::string("\x00\xAB", 2)), "00AB");
    EXPECT_EQ(reg::RegDataText(REG_MULTI_SZ, std::string("a\0b\0\0", 5)), "a\\0b");
    EXPECT_EQ(reg::RegDataText(REG_SZ, std::string("caf\xE9\0", 5)), "caf\xC3\xA9");
    EXPECT_EQ(reg::RegTypeName(0x20), "0x20");
}

// Runs the built quarnel-reg with its own configuration folder.
struct RegRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class QuarnelRegTest : public ::testing::Test {
  protected:
    TempDir dir;

    RegRun Run(const std::vector<std::string>& args) {
        std::string command =
            "XDG_CONFIG_HOME=" + ShellQuote(dir.Path()) + " " + ShellQuote(QUARNEL_REG_EXE);
        for (const auto& arg : args) command += " " + ShellQuote(arg);
        command +=
            " </dev/null >" + ShellQuote(dir.File("out")) + " 2>" + ShellQuote(dir.File("err"));
        int result = std::system(command.c_str());
        return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, ReadFileBytes(dir.File("out")),
                ReadFileBytes(dir.File("err"))};
    }
    std::string StorePath() const { return dir.File("Quarnel/registry.sqlite3"); }
};

TEST_F(QuarnelRegTest, AddAndQueryRoundTripEachType) {
    const std::string key = "HKCU\\Software\\Hollinde\\Quarnel";
    const std::vector<std::vector<std::string>> adds = {
        {"/v", "Debtor", "/d", "Caf\xC3\xA9 \xE2\x82\xAC 1"},
        {"/v", "Orders", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\Orders\\"},
        {"/v", "Count", "/t", "REG_DWORD", "/d", "4294967295"},
        {"/v", "Mask", "/t", "reg_dword", "/d", "0x1F"},
    };
    for (const auto& options : adds) {
        std::vector<std::string> args{"add", key};
        args.insert(args.end(), options.begin(), options.end());
        RegRun run = Run(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "The operation completed successfully.\n");
    }
    RegRun query = Run({"query", "hkey_current_user\\Software\\Hollinde\\Quarnel"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out,
              "\nHKEY_CURRENT_USER\\Software\\Hollinde\\Quarnel\n"
              "    Debtor    REG_SZ    Caf\xC3\xA9 \xE2\x82\xAC 1\n"
              "    Orders    REG_EXPAND_SZ    %HOME%\\Orders\\\n"
              "    Count    REG_DWORD    0xffffffff\n"
              "    Mask    REG_DWORD    0x1f\n\n");

    // The store holds Windows-1252 bytes.
    auto registry = std::make_unique<SqliteRegistry>(StorePath(), dir.File("autostart"), nullptr);
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(GetValue(*registry, HKEY_CURRENT_USER, "Software\\Hollinde\\Quarnel", "Debtor", &type,
                       &data),
              0);
    EXPECT_EQ(data, std::string("Caf\xE9 \x80 1\0", 9));

    RegRun one = Run({"query", key, "/v", "Mask"});
    EXPECT_EQ(
        one.out,
        "\nHKEY_CURRENT_USER\\Software\\Hollinde\\Quarnel\n    Mask    REG_DWORD    0x1f\n\n");
}

TEST_F(QuarnelRegTest, AsksBeforeOverwritingOrDeletingAndFailsWithoutATerminal) {
    const std::string key = "HKCU\\Software\\Test";
    ASSERT_EQ(Run({"add", key, "/v", "A", "/d", "1"}).status, 0);
    RegRun overwrite = Run({"add", key, "/v", "A", "/d", "2"});
    EXPECT_EQ(overwrite.status, 1);
    EXPECT_THAT(overwrite.err, HasSubstr("/f"));
    EXPECT_EQ(Run({"delete", key, "/v", "A"}).status, 1);
    EXPECT_THAT(Run({"query", key, "/v", "A"}).out, HasSubstr("REG_SZ    1\n"));
    EXPECT_EQ(Run({"add", key, "/v", "A", "/d", "2", "/f"}).status, 0);
    EXPECT_EQ(Run({"delete", key, "/v", "a", "/f"}).status, 0);

    RegRun missing = Run({"query", key, "/v", "A"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "ERROR: The system was unable to find the specified registry key or value.\n");
    EXPECT_EQ(Run({"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "4294967296"}).status, 1);
    EXPECT_EQ(Run({"add", key, "/v", "N", "/d", "\xC5\x81"}).status,
              1);  // "Ł" has no Windows-1252 byte
    EXPECT_EQ(Run({"add", "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "/v", "x", "/d", "COM1"}).err,
              "ERROR: Access is denied.\n");
}

TEST_F(QuarnelRegTest, ReportsACorruptStoreAndLeavesItAlone) {
    std::filesystem::create_directories(dir.File("Quarnel"));
    const std::string garbage(4096, '\x5A');
    WriteFileBytes(StorePath(), garbage);
    const std::string expected = "ERROR: [1009] The registry store '" + StorePath() +
                                 "' is not a valid database (Quarnel)\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"query", "HKCU\\Software"},
          std::vector<std::string>{"add", "HKCU\\Software\\Q", "/v", "A", "/d", "1", "/f"},
          std::vector<std::string>{"delete", "HKCU\\Software\\Q", "/v", "A", "/f"}}) {
        RegRun run = Run(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.err, expected) << args[0];
    }
    EXPECT_EQ(ReadFileBytes(StorePath()), garbage);
}

}  // namespace
}  // namespace quarnel::test
