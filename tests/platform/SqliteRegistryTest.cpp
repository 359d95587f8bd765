// SPDX-License-Identifier: MIT
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RegistryTestSupport.h"
#include "backends/linux/DesktopEntry.h"

namespace quarnel::test {
namespace {

using ::testing::IsEmpty;

const std::string kKey = "Software\\Hollinde\\Quarnel";
const std::string kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const Value kNotFound{ERROR_FILE_NOT_FOUND, REG_NONE, ""};

using SqliteRegistryTest = RegistryTest;

// The answers every registry gives are checked by the registry contract;
// these are the store's own.
TEST_F(SqliteRegistryTest, ReadsLeaveAMissingStoreAloneAndTheFirstWriteMakesItPrivate) {
    EXPECT_EQ(TryOpen(*registry, kUser, kKey), ERROR_FILE_NOT_FOUND);
    EXPECT_THAT(List(*registry, kUser, ""), IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("Quarnel")));
    ASSERT_EQ(Put(*registry, kKey, "Debtor", REG_SZ, "12\0"s), ERROR_SUCCESS);
    EXPECT_EQ(Mode(dir.File("Quarnel")), 0700u);
    for (const char* file : {"", "-wal", "-shm"})
        EXPECT_EQ(Mode(StorePath() + file), 0600u) << file;
    for (const char* bad : {"\\Software", "Software\\\\Hollinde", "\\"})
        EXPECT_EQ(TryOpen(*registry, kUser, bad), ERROR_INVALID_PARAMETER) << bad;
}

TEST_F(SqliteRegistryTest, ConcurrentWritersInTwoProcessesLoseNothing) {
    constexpr int kEach = 40;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto own = Open();
        int failures = 0;
        for (int i = 0; i < kEach; ++i)
            failures += Put(*own, kKey, "child" + std::to_string(i), REG_SZ, "c") != 0;
        _exit(failures);
    }
    for (int i = 0; i < kEach; ++i)
        EXPECT_EQ(Put(*registry, kKey, "parent" + std::to_string(i), REG_SZ, "p"), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(List(*registry, kUser, kKey).size(), 2u * kEach);
}

TEST_F(SqliteRegistryTest, BrokenStoreFailsEveryOperationAndIsLeftAlone) {
    std::filesystem::create_directories(dir.File("Quarnel"));
    sqlite3* db = nullptr;
    sqlite3_open(dir.File("foreign.db").c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    for (const auto& [bytes, why] : {
             std::pair(std::string(8192, '\x5A'), "is not a valid database"),
             std::pair(ReadFileBytes(dir.File("foreign.db")), "is not a Quarnel registry store"),
         }) {
        WriteFileBytes(StorePath(), bytes);
        auto broken = Open();
        HKEY key = 0;
        uint32_t size = 0;
        EXPECT_EQ(TryOpen(*broken, kUser, kKey), ERROR_BADDB);
        EXPECT_EQ(broken->RegQueryValueExA(kUser, "x", nullptr, nullptr, &size), ERROR_BADDB);
        EXPECT_EQ(broken->RegQueryInfoKeyA(kUser, &size), ERROR_BADDB);
        EXPECT_EQ(broken->RegCreateKeyExA(kUser, kKey, "", 0, KEY_ALL_ACCESS_0x3F, &key, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(broken->RegSetValueExA(kUser, "x", REG_SZ, Bytes("x"), 2), ERROR_BADDB);
        EXPECT_EQ(broken->RegDeleteValueA(kUser, "x"), ERROR_BADDB);
        EXPECT_EQ(broken->StoreProblem(),
                  "[1009] The registry store '" + StorePath() + "' " + why + " (Quarnel)");
        EXPECT_EQ(ReadFileBytes(StorePath()), bytes) << why;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("Quarnel")), {}), 1);
    }
}

using LiveViewsTest = RegistryTest;

TEST_F(LiveViewsTest, RunValueIsAnAutostartEntryWithAQuotedExecLine) {
    // The key exists before the folder does, as on Windows.
    EXPECT_EQ(TryOpen(*registry, kUser, kRun), ERROR_SUCCESS);
    EXPECT_THAT(List(*registry, kUser, kRun), IsEmpty());
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/bin/quarnel", "Exec=/usr/bin/quarnel"},
        {"/opt/my apps/quarnel", "Exec=\"/opt/my apps/quarnel\""},
        {"C:\\Programs\\Quarnel.exe", "Exec=\"C:\\\\\\\\Programs\\\\\\\\Quarnel.exe\""},
        {"/home/a\"b/$HOME/`x`", "Exec=\"/home/a\\\\\"b/\\\\$HOME/\\\\`x\\\\`\""},
        {"/tmp/100%/q", "Exec=/tmp/100%%/q"},
        {" lead\ttab\nline", "Exec=\" lead\\ttab\\nline\""},
    };
    for (const auto& [command, exec] : cases) {
        ASSERT_EQ(Put(*registry, kRun, "Quarnel", REG_SZ, command + '\0'), 0) << command;
        EXPECT_EQ(ReadFileBytes(Autostart("Quarnel.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Quarnel\n" + exec + "\n");
        EXPECT_EQ(Get(*registry, kUser, kRun, "quarnel"), Value(0, REG_SZ, command + '\0'));
    }
    // Other letter case is the same value and the same file.
    ASSERT_EQ(Put(*registry, kRun, "QUARNEL", REG_SZ, "/usr/bin/quarnel\0"s), 0);
    EXPECT_THAT(List(*registry, kUser, kRun), ElementsAre("Quarnel"));
    HKEY key = 0;
    ASSERT_EQ(registry->RegOpenKeyExA(kUser, kRun, 0, KEY_ALL_ACCESS_0x3F, &key), 0);
    EXPECT_EQ(registry->RegDeleteValueA(key, "quarnel"), ERROR_SUCCESS);
    EXPECT_EQ(registry->RegDeleteValueA(key, "quarnel"), ERROR_FILE_NOT_FOUND);
    registry->RegCloseKey(key);
    EXPECT_FALSE(std::filesystem::exists(Autostart("Quarnel.desktop")));
    EXPECT_THAT(*SplitExec("a \"b c\" d%%e"), ElementsAre("a", "b c", "d%e"));
    EXPECT_FALSE(SplitExec("\"unclosed").has_value());
    EXPECT_EQ(CommandFromExec("\"unclosed"), "\"unclosed");
}

TEST_F(LiveViewsTest, RunViewReadsForeignEntriesAndRefusesWhatItCannotHold) {
    std::filesystem::create_directories(Autostart());
    WriteFileBytes(Autostart("other.desktop"),
                   "# note\r\n[Desktop Entry]\r\nName=Other\r\nExec = other --tray %U\r\n");
    // Entries the desktop switched off count as none.
    WriteFileBytes(Autostart("gone.desktop"), "[Desktop Entry]\nExec=gone\nHidden=true\n");
    WriteFileBytes(Autostart("off.desktop"),
                   "[Desktop Entry]\nExec=off\nHidden=false\nX-GNOME-Autostart-enabled=false\n");
    WriteFileBytes(Autostart("on.desktop"),
                   "[Desktop Entry]\nExec=on\nHidden=false\nX-GNOME-Autostart-enabled=true\n");
    WriteFileBytes(Autostart("readme.txt"), "not an entry");
    EXPECT_THAT(List(*registry, kUser, kRun), ::testing::UnorderedElementsAre("other", "on"));
    EXPECT_EQ(Get(*registry, kUser, kRun, "other"), Value(0, REG_SZ, "other --tray %U\0"s));
    EXPECT_EQ(Get(*registry, kUser, kRun, "gone"), kNotFound);
    EXPECT_EQ(Get(*registry, kUser, kRun, "off"), kNotFound);

    EXPECT_EQ(Put(*registry, kRun, "../escape", REG_SZ, "x\0"s), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Put(*registry, kRun, "", REG_SZ, "x\0"s), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Put(*registry, kRun, "Bell", REG_SZ, "a\x07\0"s), ERROR_INVALID_DATA);
    EXPECT_EQ(Put(*registry, kRun, "Number", REG_DWORD, std::string(4, '\0')), ERROR_INVALID_DATA);
    EXPECT_EQ(Put(*registry, kRun + "\\Sub", "x", REG_SZ, "x\0"s), ERROR_ACCESS_DENIED);
    EXPECT_EQ(TryOpen(*registry, kUser, kRun + "\\Sub"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(Autostart("../escape.desktop")));
}

TEST_F(LiveViewsTest, SerialCommShowsThePortTableReadOnly) {
    EXPECT_THAT(List(*registry, kMachine, kSerialComm), IsEmpty());
    // The key and its parents exist because the view does, even in an empty store.
    EXPECT_EQ(TryOpen(*registry, kMachine, "HARDWARE\\DEVICEMAP"), ERROR_SUCCESS);
    ports->ports = {{"\\Device\\Optovcm0", "COM3"},
                    {"\\Device\\Serial0", "COM1"},
                    {"\\DEVICE\\OPTOVCM0", "COM9"}};
    EXPECT_THAT(List(*registry, kMachine, kSerialComm),
                ElementsAre("\\Device\\Optovcm0", "\\Device\\Serial0"));
    EXPECT_EQ(Get(*registry, kMachine, kSerialComm, "\\device\\optovcm0"),
              Value(0, REG_SZ, "COM3\0"s));
    HKEY key = 0;
    ASSERT_EQ(registry->RegOpenKeyExA(kMachine, kSerialComm, 0, KEY_QUERY_VALUE, &key), 0);
    uint32_t longest = 0;
    EXPECT_EQ(registry->RegQueryInfoKeyA(key, &longest), 0);
    EXPECT_EQ(longest, 16u);
    registry->RegCloseKey(key);
    EXPECT_EQ(TryOpen(*registry, kMachine, kSerialComm, KEY_ALL_ACCESS_0x3F), ERROR_ACCESS_DENIED);
}

TEST(ExpandEnvironmentTest, ExpandsKnownNamesAndKeepsTheRest) {
    ScopedEnv folder("QUARNEL_FOLDER", "/data");
    ScopedEnv empty("QUARNEL_EMPTY", "");
    ScopedEnv unknown("QUARNEL_UNKNOWN", std::nullopt);
    for (const auto& [text, expanded] : {
             std::pair("%QUARNEL_FOLDER%\\Orders\\", "/data\\Orders\\"),
             std::pair("%quarnel_folder%", "/data"),
             std::pair("[%QUARNEL_EMPTY%]", "[]"),
             std::pair("%QUARNEL_UNKNOWN%QUARNEL_FOLDER%", "%QUARNEL_UNKNOWN%QUARNEL_FOLDER%"),
             std::pair("100%", "100%"),
         }) {
        char out[64];
        uint32_t needed = ExpandEnvironmentStringsA(text, out, sizeof out);  // with the terminator
        EXPECT_EQ(std::string(out, std::min<size_t>(needed, sizeof out)), expanded + "\0"s) << text;
    }
    // Too small a buffer is left untouched; the answer is the size needed.
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ExpandEnvironmentStringsA("%QUARNEL_FOLDER%", buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 4), "xxxx");
}

}  // namespace
}  // namespace quarnel::test
