// SPDX-License-Identifier: MIT
// The Windows backend where it meets the system's text: the registry holds
// Windows-1252 while the program speaks UTF-8, environment values and file
// names outside the code page come through whole, and files replace each
// other durably.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "backends/win32/Win32Registry.h"
#include "backends/win32/Win32Text.h"
#include "base/Ansi.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "platform/Windows.h"
#include "settings/clsRegistry.h"

namespace quarnel::test {
namespace {

using namespace std::string_literals;

// A key of this process's own: ctest runs the cases side by side.
const std::string kKeyName =
    "Software\\Hollinde\\Win32Test" + std::to_string(::GetCurrentProcessId());
const char* const kKey = kKeyName.c_str();

class Win32RegistryTest : public ::testing::Test {
  protected:
    Win32RegistryTest() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    ~Win32RegistryTest() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

    // The bytes the "A" functions see, as another program would read them.
    static std::string RawValue(const std::string& ansiName) {
        char data[256] = {};
        DWORD size = sizeof data;
        if (::RegGetValueA(HKEY_CURRENT_USER, kKey, ansiName.c_str(), RRF_RT_ANY, nullptr, data,
                           &size) != ERROR_SUCCESS)
            return "<missing>";
        return std::string(data, size);
    }
    static void PutRaw(const std::string& ansiName, const std::string& ansiData) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, ansiName.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(ansiData.c_str()),
                         static_cast<DWORD>(ansiData.size() + 1));
        ::RegCloseKey(key);
    }

    clsRegistry Registry(const std::string& valueName) {
        clsRegistry registry(registry_);
        registry.SetClassKey(HKEY_CURRENT_USER);
        registry.SetSectionKey(kKey);
        registry.SetValueKey(valueName);
        registry.SetValueType(REG_SZ);
        return registry;
    }

    std::shared_ptr<platform::RegistryApi> registry_ = platform::OpenUserRegistry(nullptr);
};

TEST_F(Win32RegistryTest, ProgramTextIsStoredInWindows1252AndReadBackAsUtf8) {
    // name in UTF-8, text in UTF-8, what the registry holds, what comes back
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        {"Debtor", "Caf\xC3\xA9 \xE2\x82\xAC 12", "Caf\xE9 \x80 12\0"s,
         "Caf\xC3\xA9 \xE2\x82\xAC 12"},
        {"Gr\xC3\xBC\xC3\x9F", "x", "x\0"s, "x"},  // "Grüß": the name is converted too
        // Outside the code page: "?", as every "A" function makes it.
        {"User", "\xC5\x81ukasz", "?ukasz\0"s, "?ukasz"},
    };
    for (const auto& [name, text, stored, read] : cases) {
        Registry(name).SetValue(text);
        EXPECT_EQ(RawValue(Utf8ToAnsi(name)), stored) << name;
        EXPECT_EQ(RegValueText(Registry(name).Value()), read) << name;
    }
    std::vector<std::string> names;
    int32_t count = 0;
    Registry("").EnumerateValues(names, count);
    EXPECT_THAT(names, ::testing::UnorderedElementsAre("Debtor", "Gr\xC3\xBC\xC3\x9F", "User"));
    EXPECT_TRUE(Registry("Gr\xC3\xBC\xC3\x9F").ValueExists());

    // A value an earlier version wrote through the "A" functions.
    PutRaw("Zq8#Lm2!", "geheim\xE9\x80");
    EXPECT_EQ(RegValueText(Registry("Zq8#Lm2!").Value()), "geheim\xC3\xA9\xE2\x82\xAC");

    // Names are measured in UTF-8 (the registry contract); one with a NUL
    // inside would address another value.
    HKEY key{};
    ASSERT_EQ(
        registry_->RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, platform::KEY_ALL_ACCESS_0x3F, &key),
        0);
    EXPECT_EQ(registry_->RegSetValueExA(key, "Debtor\0X"s, REG_SZ,
                                        reinterpret_cast<const uint8_t*>("1"), 2),
              ERROR_INVALID_PARAMETER);
    registry_->RegCloseKey(key);
}

TEST_F(Win32RegistryTest, ExpandableTextTakesTheEnvironmentWhole) {
    ::SetEnvironmentVariableW(L"QUARNEL_TEST_HOME", L"C:\\Users\\\u0141ukasz");
    Registry("OrdersFolder").SetValue("%QUARNEL_TEST_HOME%\\Orders\\");
    EXPECT_EQ(RegValueText(Registry("OrdersFolder").Value()), "C:\\Users\\\xC5\x81ukasz\\Orders\\");
    ::SetEnvironmentVariableW(L"QUARNEL_TEST_HOME", nullptr);

    const char* text = "%QUARNEL_UNSET_NAME%\\x";
    const uint32_t needed = platform::ExpandEnvironmentStringsA(text, nullptr, 0);
    EXPECT_EQ(needed, 23u);
    std::string small(needed - 1, '#');
    EXPECT_EQ(platform::ExpandEnvironmentStringsA(text, small.data(), needed - 1), needed);
    EXPECT_EQ(small, std::string(needed - 1, '#'));  // untouched when too small
}

// File names with letters inside and outside the code page.
TEST(Win32FileSystemTest, FilesAreWrittenReplacedAndAppendedUnderAnyName) {
    TempDir dir;
    using namespace platform;
    const std::string folder = dir.File("Caf\xC3\xA9 \xC5\x81\xC3\xB3\xC5\xBA");
    ASSERT_EQ(CreatePrivateFolder(folder), 0);
    EXPECT_EQ(CreatePrivateFolder(folder), EEXIST);
    EXPECT_EQ(KindOfPath(folder), FileKind::Folder);
    const std::string target = folder + "\\Order \xE2\x82\xAC.csv";
    auto write = [&](const std::string& path, const std::string& bytes) {
        int error = -1;
        auto file = CreateNewFile(path, "", error);
        if (!file) return error;
        size_t written = 0;
        if (int failed = file->Write(bytes.data(), bytes.size(), written)) return failed;
        if (int failed = file->Sync()) return failed;
        return file->Close();
    };
    ASSERT_EQ(write(target, "old"), 0);
    EXPECT_EQ(write(target, "again"), EEXIST);
    ASSERT_EQ(write(target + ".tmp", "new\r\n"), 0);
    ASSERT_EQ(ReplaceByRename(target + ".tmp", target), 0);
    EXPECT_EQ(KindOfPath(target + ".tmp"), FileKind::Missing);
    EXPECT_EQ(SyncFolder(folder), 0);

    ASSERT_EQ(AppendPrivate(target, "more"), 0);
    const std::wstring wide = WideFromUtf8(target);
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[32] = {};
    DWORD read = 0;
    ::ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    ::CloseHandle(file);
    EXPECT_EQ(std::string(bytes, read), "new\r\nmore");

    EXPECT_EQ(CheckWritable(target), 0);
    EXPECT_EQ(CheckWritable(folder), EISDIR);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CheckWritable(target), EACCES);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(RemoveFile(target), 0);
    EXPECT_EQ(RemoveFile(target), ENOENT);
    EXPECT_EQ(ReplaceByRename(target, folder + "\\x"), ENOENT);
}

// Points the user's application data at another folder for a while.
class ScopedAppData {
  public:
    explicit ScopedAppData(const std::wstring& folder) {
        ::RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key_);
        saved_ = ::RegQueryValueExW(key_, L"AppData", nullptr, &type_,
                                    reinterpret_cast<BYTE*>(old_), &size_) == ERROR_SUCCESS;
        ::RegSetValueExW(key_, L"AppData", 0, REG_EXPAND_SZ,
                         reinterpret_cast<const BYTE*>(folder.c_str()),
                         static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~ScopedAppData() {
        if (saved_)
            ::RegSetValueExW(key_, L"AppData", 0, type_, reinterpret_cast<BYTE*>(old_), size_);
        ::RegCloseKey(key_);
    }

  private:
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_{};
    wchar_t old_[MAX_PATH] = {};
    DWORD size_ = sizeof old_, type_ = REG_NONE;
    bool saved_ = false;
};

TEST(Win32PathsTest, TheApplicationFolderIsTheUsersAndIsMade) {
    using namespace platform;
    const std::string folder = ApplicationFolder();
    // In the user's roaming application data, which %APPDATA% names too.
    char appData[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH), 0u);
    EXPECT_EQ(folder, std::string(appData) + "\\Quarnel");
    EXPECT_TRUE(EnsureApplicationFolder());
    EXPECT_EQ(KindOfPath(folder), FileKind::Folder);
    const std::string self = ExecutablePath();
    EXPECT_THAT(self, ::testing::EndsWith("win32_backend_tests.exe"));
    EXPECT_EQ(KindOfPath(self), FileKind::File);

    // A profile outside ASCII: the C library, which the core opens some
    // files with, reads paths in the ANSI code page, so the folder goes by
    // its short name.
    TempDir dir;
    const std::wstring profile = WideFromUtf8(dir.Path()) + L"\\Caf\u00e9 \u0141\u00f3d\u017a";
    ASSERT_TRUE(::CreateDirectoryW(profile.c_str(), nullptr));
    ScopedAppData moved(profile);
    const std::string shortFolder = ApplicationFolder();
    EXPECT_TRUE(IsAscii(shortFolder)) << shortFolder;
    EXPECT_TRUE(EnsureApplicationFolder());
    const DWORD made = ::GetFileAttributesW((profile + L"\\Quarnel").c_str());
    EXPECT_NE(made, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(made & FILE_ATTRIBUTE_DIRECTORY, 0u);
    std::FILE* file = std::fopen((shortFolder + "\\Trace.log").c_str(), "ab");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) std::fclose(file);
}

// Run by the test win32_language_follows_windows, with Wine started in
// Dutch: the test's own environment names no language (LANG=C.UTF-8).
TEST(Win32LocaleTest, WithoutALanguageInTheEnvironmentWindowsDecides) {
    const char* expected = std::getenv("QUARNEL_EXPECTED_LANGUAGE");
    if (expected == nullptr) GTEST_SKIP() << "run with QUARNEL_EXPECTED_LANGUAGE set";
    using platform::Language;
    EXPECT_EQ(platform::UserLanguage(),
              std::string(expected) == "nl" ? Language::Dutch : Language::English);
    // A language named on purpose comes first.
    ScopedEnv english("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(platform::UserLanguage(), Language::English);
}

// Only web pages are handed to the shell: a program's name is never started.
TEST(ShellExecuteUrlOpenerTest, RefusesWhatIsNoWebAddress) {
    auto opener = platform::SystemUrlOpener();
    for (const std::string file : {"C:\\windows\\notepad.exe", "notepad", "file:///C:/x", ""})
        EXPECT_LE(opener->ShellExecuteA("open", file, "", "", 0), 32) << file;
}

}  // namespace
}  // namespace quarnel::test
