#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RegistryTestSupport.h"
#include "platform/linux/DesktopEntry.h"

namespace quarnel::test {
namespace {

using namespace platform;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

class LiveViewsTest : public ::testing::Test, protected RegistryFixture {
  protected:
    std::unique_ptr<SqliteRegistry> registry = Open();

    std::string EntryFile(const std::string& name) const {
        return AutostartFolder() + "/" + name + ".desktop";
    }
    std::string ReadRun(const std::string& name) {
        uint32_t type = 0;
        std::string data;
        int32_t status = GetValue(*registry, HKEY_CURRENT_USER, kRun, name, &type, &data);
        if (status != ERROR_SUCCESS) return "status " + std::to_string(status);
        EXPECT_EQ(type, REG_SZ);
        return data;
    }
};

TEST_F(LiveViewsTest, RunValueIsAnAutostartEntryThatAppearsAndDisappears) {
    // The key exists before the folder does, as on Windows.
    HKEY key = 0;
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_QUERY_VALUE, &key), 0);
    registry->RegCloseKey(key);
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kRun), IsEmpty());

    ASSERT_EQ(
        PutValue(*registry, kRun, "Quarnel", REG_SZ, std::string("/opt/quarnel/bin/quarnel\0", 25)),
        0);
    EXPECT_EQ(ReadFileBytes(EntryFile("Quarnel")),
              "[Desktop Entry]\nType=Application\nName=Quarnel\nExec=/opt/quarnel/bin/quarnel\n");
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kRun), ElementsAre("Quarnel"));
    EXPECT_EQ(ReadRun("quarnel"), std::string("/opt/quarnel/bin/quarnel\0", 25));

    // Other letter case is the same value and the same file.
    ASSERT_EQ(PutValue(*registry, kRun, "QUARNEL", REG_SZ, std::string("/usr/bin/quarnel\0", 17)),
              0);
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kRun), ElementsAre("Quarnel"));

    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS_0x3F, &key), 0);
    EXPECT_EQ(registry->RegDeleteValueA(key, "quarnel"), ERROR_SUCCESS);
    EXPECT_EQ(registry->RegDeleteValueA(key, "quarnel"), ERROR_FILE_NOT_FOUND);
    registry->RegCloseKey(key);
    EXPECT_FALSE(std::filesystem::exists(EntryFile("Quarnel")));
}

TEST_F(LiveViewsTest, ExecQuotingRoundTrips) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/usr/bin/quarnel", "Exec=/usr/bin/quarnel"},
        {"/opt/my apps/quarnel", "Exec=\"/opt/my apps/quarnel\""},
        {"C:\\Programs\\Quarnel.exe", "Exec=\"C:\\\\\\\\Programs\\\\\\\\Quarnel.exe\""},
        {"/home/a\"b/$HOME/`x`", "Exec=\"/home/a\\\\\"b/\\\\$HOME/\\\\`x\\\\`\""},
        {"/tmp/100%/q", "Exec=/tmp/100%%/q"},
        {"/tmp/a'b;c&d", "Exec=\"/tmp/a'b;c&d\""},
        {" lead\ttab\nline", "Exec=\" lead\\ttab\\nline\""},
        {"", "Exec=\"\""},
    };
    for (const auto& [command, execLine] : cases) {
        ASSERT_EQ(PutValue(*registry, kRun, "Quarnel", REG_SZ, command + '\0'), 0) << command;
        EXPECT_THAT(ReadFileBytes(EntryFile("Quarnel")), ::testing::HasSubstr(execLine + "\n"));
        EXPECT_EQ(ReadRun("Quarnel"), command + '\0');
    }
}

TEST_F(LiveViewsTest, RunViewReadsForeignEntriesAndRefusesWhatItCannotHold) {
    std::filesystem::create_directories(AutostartFolder());
    WriteFileBytes(EntryFile("other"),
                   "# note\r\n[Desktop Entry]\r\nName=Other\r\nExec = other --tray %U\r\n");
    WriteFileBytes(EntryFile("gone"), "[Desktop Entry]\nExec=gone\nHidden=true\n");
    WriteFileBytes(AutostartFolder() + "/readme.txt", "not an entry");
    EXPECT_THAT(ListValues(*registry, HKEY_CURRENT_USER, kRun), ElementsAre("other"));
    EXPECT_EQ(ReadRun("other"), std::string("other --tray %U\0", 16));
    EXPECT_EQ(ReadRun("gone"), "status 2");

    EXPECT_EQ(PutValue(*registry, kRun, "../escape", REG_SZ, std::string("x\0", 2)),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(PutValue(*registry, kRun, "", REG_SZ, std::string("x\0", 2)),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(PutValue(*registry, kRun, "Bell", REG_SZ, std::string("a\x07\0", 3)),
              ERROR_INVALID_DATA);
    EXPECT_EQ(PutValue(*registry, kRun, "Number", REG_DWORD, std::string(4, '\0')),
              ERROR_INVALID_DATA);
    HKEY key = 0;
    EXPECT_EQ(registry->RegCreateKeyExA(HKEY_CURRENT_USER, kRun + "\\Sub", "", 0,
                                        KEY_ALL_ACCESS_0x3F, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->RegOpenKeyExA(HKEY_CURRENT_USER, kRun + "\\Sub", 0, KEY_QUERY_VALUE, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(AutostartFolder() + "/../escape.desktop"));
}

TEST_F(LiveViewsTest, SplitExecTakesQuotedAndPlainArguments) {
    EXPECT_THAT(*SplitExec("a \"b c\" d%%e"), ElementsAre("a", "b c", "d%e"));
    EXPECT_FALSE(SplitExec("\"unclosed").has_value());
    EXPECT_EQ(CommandFromExec("\"unclosed"), "\"unclosed");
}

TEST_F(LiveViewsTest, SerialCommShowsThePortTableReadOnly) {
    HKEY key = 0;
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_QUERY_VALUE, &key),
              0);
    registry->RegCloseKey(key);
    EXPECT_THAT(ListValues(*registry, HKEY_LOCAL_MACHINE, kSerialComm), IsEmpty());

    ports->ports = {{"\\Device\\Optovcm0", "COM3"},
                    {"\\Device\\Serial0", "COM1"},
                    {"\\DEVICE\\OPTOVCM0", "COM9"}};
    EXPECT_THAT(ListValues(*registry, HKEY_LOCAL_MACHINE, kSerialComm),
                ElementsAre("\\Device\\Optovcm0", "\\Device\\Serial0"));
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(
        GetValue(*registry, HKEY_LOCAL_MACHINE, kSerialComm, "\\device\\optovcm0", &type, &data),
        0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(data, std::string("COM3\0", 5));
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_QUERY_VALUE, &key),
              0);
    uint32_t longest = 0;
    EXPECT_EQ(registry->RegQueryInfoKeyA(key, &longest), 0);
    EXPECT_EQ(longest, 16u);
    registry->RegCloseKey(key);

    EXPECT_EQ(
        registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_ALL_ACCESS_0x3F, &key),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry->RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, "", 0, KEY_ALL_ACCESS_0x3F,
                                        &key, nullptr),
              ERROR_ACCESS_DENIED);
    // The parents exist because the view does, even in an empty store.
    ASSERT_EQ(registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP", 0, KEY_QUERY_VALUE,
                                      &key),
              0);
    registry->RegCloseKey(key);
}

}  // namespace
}  // namespace quarnel::test
