#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RegistryTestSupport.h"
#include "app/Ansi.h"

namespace quarnel::test {
namespace {

using namespace platform;
using ::testing::ElementsAre;

const std::string kKey = "Software\\Hollinde\\Quarnel";

std::string ParentFolder(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

class SqliteRegistryTest : public ::testing::Test, protected RegistryFixture {
  protected:
    std::unique_ptr<SqliteRegistry> registry = Open();
};

TEST_F(SqliteRegistryTest, AnswersWithWindowsStatusCodes) {
    HKEY key = 0;
    EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(PutValue(*registry, kKey, "Debtor", REG_SZ, std::string("12\0", 3)), ERROR_SUCCESS);
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);

    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(registry->RegQueryValueExA(key, "Debtor", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u);
    uint8_t small[2];
    size = sizeof small;
    EXPECT_EQ(registry->RegQueryValueExA(key, "Debtor", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(registry->RegQueryValueExA(key, "Missing", &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);

    char name[16];
    uint32_t nameSize = sizeof name;
    EXPECT_EQ(registry->RegEnumValueA(key, 1, name, &nameSize), ERROR_NO_MORE_ITEMS);
    nameSize = 6;  // "Debtor" needs 7 with its terminator
    EXPECT_EQ(registry->RegEnumValueA(key, 0, name, &nameSize), ERROR_MORE_DATA);

    // A handle opened for reading may not write.
    EXPECT_EQ(registry->RegSetValueExA(key, "X", REG_SZ, Bytes("x"), 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->RegDeleteValueA(key, "Debtor"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(registry->RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry->RegQueryValueExA(key, "Debtor", &type, nullptr, &size),
              ERROR_INVALID_HANDLE);

    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS_0x3F, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(registry->RegDeleteValueA(key, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry->RegDeleteValueA(key, "Debtor"), ERROR_SUCCESS);
    EXPECT_EQ(registry->RegQueryValueExA(key, "Debtor", &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    registry->RegCloseKey(key);

    for (const char* bad : {"\\Software", "Software\\\\Hollinde", "\\"}) {
        EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, bad, 0, KEY_QUERY_VALUE, &key),
                  ERROR_INVALID_PARAMETER)
            << bad;
    }
}

TEST_F(SqliteRegistryTest, KeepsEveryTypeAsItsBytes) {
    const std::vector<std::pair<uint32_t, std::string>> values = {
        {REG_SZ, std::string("text \xE9\x80\0", 8)},
        {REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)},
        {REG_DWORD, std::string("\x01\x02\x00\x80", 4)},
        {REG_DWORD_BIG_ENDIAN, std::string("\x80\x00\x02\x01", 4)},
        {REG_BINARY, std::string("\x00\xFF\x00", 3)},
        {REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {REG_NONE, ""},
    };
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(
            PutValue(*registry, kKey, "V" + std::to_string(i), values[i].first, values[i].second),
            ERROR_SUCCESS);
    }
    auto reopened = Open();
    for (size_t i = 0; i < values.size(); ++i) {
        uint32_t type = 99;
        std::string data;
        ASSERT_EQ(
            GetValue(*reopened, HKEY_CURRENT_USER, kKey, "V" + std::to_string(i), &type, &data),
            ERROR_SUCCESS);
        EXPECT_EQ(type, values[i].first);
        EXPECT_EQ(data, values[i].second) << "type " << values[i].first;
    }
}

TEST_F(SqliteRegistryTest, FindsKeysAndValuesWithoutRegardToCaseButKeepsTheFirstSpelling) {
    const std::string name = Utf8ToAnsi("Ca\xC3\xA9");  // "Caé"
    ASSERT_EQ(PutValue(*registry, "Software\\Hollinde\\" + name, "TraceFile", REG_SZ, "a"), 0);
    ASSERT_EQ(PutValue(*registry, "SOFTWARE\\hollinde\\" + Utf8ToAnsi("CA\xC3\x89"), "TRACEFILE",
                       REG_SZ, "b"),
              0);
    uint32_t type = 0;
    std::string data;
    EXPECT_EQ(GetValue(*registry, HKEY_CURRENT_USER, "software\\HOLLINDE\\" + name + "\\",
                       "tracefile", &type, &data),
              ERROR_SUCCESS);
    EXPECT_EQ(data, "b");
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, "Software\\Hollinde\\" + name),
                ElementsAre("TraceFile"));
    // The hives are apart.
    EXPECT_EQ(GetValue(*registry, HKEY_LOCAL_MACHINE, "Software\\Hollinde\\" + name, "TraceFile",
                       &type, &data),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(SqliteRegistryTest, CreateKeyMakesMissingParentsAndReportsWhetherItDid) {
    HKEY key = 0;
    uint32_t disposition = 0;
    ASSERT_EQ(registry->RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B\\C", "", 0, KEY_ALL_ACCESS_0x3F,
                                        &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HKEY child = 0;
    // Opened relative to another handle.
    ASSERT_EQ(registry->RegCreateKeyExA(key, "D", "", 0, KEY_ALL_ACCESS_0x3F, &child, &disposition),
              0);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    registry->RegCloseKey(child);
    registry->RegCloseKey(key);
    for (const char* path : {"A", "a\\b", "A\\B\\C", "A\\B\\C\\D"}) {
        EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key), 0)
            << path;
        registry->RegCloseKey(key);
    }
    ASSERT_EQ(registry->RegCreateKeyExA(HKEY_CURRENT_USER, "a\\b", "", 0, KEY_ALL_ACCESS_0x3F, &key,
                                        &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    registry->RegCloseKey(key);
}

TEST_F(SqliteRegistryTest, EnumeratesInInsertionOrderAndKnowsTheLongestName) {
    for (const char* name : {"b", "a", "ccc"})
        ASSERT_EQ(PutValue(*registry, kKey, name, REG_SZ, "1"), 0);
    ASSERT_EQ(PutValue(*registry, kKey, "B", REG_SZ, "2"), 0);  // keeps its place and spelling
    HKEY key = 0;
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS_0x3F, &key), 0);
    ASSERT_EQ(registry->RegDeleteValueA(key, "A"), 0);
    ASSERT_EQ(registry->RegSetValueExA(key, "a", REG_SZ, Bytes("3"), 2), 0);  // goes to the end
    uint32_t longest = 0;
    EXPECT_EQ(registry->RegQueryInfoKeyA(key, &longest), ERROR_SUCCESS);
    EXPECT_EQ(longest, 3u);
    registry->RegCloseKey(key);
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kKey), ElementsAre("b", "ccc", "a"));
}

TEST_F(SqliteRegistryTest, TwoProgramsSeeEachOthersWrites) {
    auto other = Open();
    EXPECT_TRUE(ListValues(*other, HKEY_CURRENT_USER, kKey).empty());
    ASSERT_EQ(PutValue(*registry, kKey, "User", REG_SZ, "one"), 0);
    ASSERT_EQ(PutValue(*other, kKey, "Debtor", REG_SZ, "two"), 0);
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kKey), ElementsAre("User", "Debtor"));
    EXPECT_THAT(ListValues(*other, HKEY_CURRENT_USER, kKey), ElementsAre("User", "Debtor"));
}

TEST_F(SqliteRegistryTest, ConcurrentWritersInTwoProcessesLoseNothing) {
    constexpr int kEach = 40;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto own = Open();
        int failures = 0;
        for (int i = 0; i < kEach; ++i) {
            failures += PutValue(*own, kKey, "child" + std::to_string(i), REG_SZ, "c") != 0;
        }
        _exit(failures);
    }
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(PutValue(*registry, kKey, "parent" + std::to_string(i), REG_SZ, "p"), 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ListValues(*registry, HKEY_CURRENT_USER, kKey).size(), 2u * kEach);
}

TEST_F(SqliteRegistryTest, ReadsLeaveAMissingStoreAloneAndWritesMakeItPrivate) {
    HKEY key = 0;
    EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key), 2);
    EXPECT_TRUE(ListValues(*registry, HKEY_CURRENT_USER, "").empty());
    EXPECT_EQ(registry->StoreProblem(), "");
    EXPECT_FALSE(std::filesystem::exists(ParentFolder(StorePath())));

    ASSERT_EQ(PutValue(*registry, kKey, "Zq8#Lm2!", REG_SZ, "secret"), 0);
    struct stat info {};
    ASSERT_EQ(stat(StorePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

std::string RandomBytes() {
    std::string bytes;
    uint32_t state = 12345;
    for (int i = 0; i < 8192; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string ForeignDatabase() {
    TempDir dir;
    std::string path = dir.File("other.db");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ReadFileBytes(path);
}

struct BrokenFile {
    const char* label;
    std::string (*bytes)();
    const char* why;
};

void PrintTo(const BrokenFile& file, std::ostream* out) {
    *out << file.label;
}

const BrokenFile kBrokenFiles[] = {
    {"RandomBytes", RandomBytes, "is not a valid database"},
    {"ForeignDatabase", ForeignDatabase, "is not a Quarnel registry store"},
};

class BrokenStoreTest : public SqliteRegistryTest,
                        public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(BrokenStoreTest, FailsEveryStoreOperationAndNeverTouchesTheFile) {
    std::filesystem::create_directories(ParentFolder(StorePath()));
    const std::string bytes = GetParam().bytes();
    WriteFileBytes(StorePath(), bytes);
    const std::string problem =
        "[1009] The registry store '" + StorePath() + "' " + GetParam().why + " (Quarnel)";

    EXPECT_EQ(registry->StoreProblem(), problem);
    HKEY key = 0;
    uint32_t size = 0;
    EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key),
              ERROR_BADDB);
    EXPECT_EQ(registry->RegQueryValueExA(HKEY_CURRENT_USER, "x", nullptr, nullptr, &size),
              ERROR_BADDB);
    EXPECT_EQ(registry->RegQueryInfoKeyA(HKEY_CURRENT_USER, &size), ERROR_BADDB);
    EXPECT_EQ(registry->RegCreateKeyExA(HKEY_CURRENT_USER, kKey, "", 0, KEY_ALL_ACCESS_0x3F, &key,
                                        nullptr),
              ERROR_BADDB);
    EXPECT_EQ(registry->RegSetValueExA(HKEY_CURRENT_USER, "x", REG_SZ, Bytes("x"), 2), ERROR_BADDB);
    EXPECT_EQ(registry->RegDeleteValueA(HKEY_CURRENT_USER, "x"), ERROR_BADDB);
    EXPECT_EQ(registry->StoreProblem(), problem);

    EXPECT_EQ(ReadFileBytes(StorePath()), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ParentFolder(StorePath())),
                            std::filesystem::directory_iterator()),
              1);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenStoreTest, ::testing::ValuesIn(kBrokenFiles),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace quarnel::test
