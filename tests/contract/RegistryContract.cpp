// SPDX-License-Identifier: MIT
// Keys, values of each type, enumeration, deletion, letter case and the
// status codes of failures, as the Windows registry API answers them.
#include "RegistryContract.h"

#include <gmock/gmock.h>

#include <tuple>
#include <vector>

namespace quarnel::test {

// A platform may have no implementation of its own yet.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RegistryContract);

namespace {

using namespace platform;
using namespace std::string_literals;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

const std::string kBase = "Software\\Hollinde\\Contract";
constexpr uint32_t kReadOnly = KEY_QUERY_VALUE;
constexpr uint32_t kAll = KEY_ALL_ACCESS_0x3F;
// RegCreateKeyExA's dispositions.
constexpr uint32_t kCreatedNewKey = 1;
constexpr uint32_t kOpenedExistingKey = 2;

// Status, type and bytes of one value read with a large buffer.
using Value = std::tuple<int32_t, uint32_t, std::string>;

const uint8_t* Bytes(const std::string& data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

// A key opened or created for the length of a test step.
class Key {
  public:
    Key(RegistryApi& registry, const std::string& path, uint32_t access = kAll, bool create = true,
        HKEY parent = HKEY_CURRENT_USER)
        : registry_(registry) {
        status = create
                     ? registry.RegCreateKeyExA(parent, path, "", 0, access, &handle, &disposition)
                     : registry.RegOpenKeyExA(parent, path, 0, access, &handle);
    }
    ~Key() {
        if (status == ERROR_SUCCESS) registry_.RegCloseKey(handle);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    int32_t Set(const std::string& name, uint32_t type, const std::string& data) {
        return registry_.RegSetValueExA(handle, name, type, Bytes(data),
                                        static_cast<uint32_t>(data.size()));
    }
    Value Get(const std::string& name) {
        uint8_t data[512];
        uint32_t type = REG_NONE, size = sizeof data;
        int32_t result = registry_.RegQueryValueExA(handle, name, &type, data, &size);
        if (result != ERROR_SUCCESS) return {result, REG_NONE, ""};
        return {result, type, std::string(reinterpret_cast<char*>(data), size)};
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        char name[300];
        uint32_t size = sizeof name;
        while (registry_.RegEnumValueA(handle, static_cast<uint32_t>(names.size()), name, &size) ==
               ERROR_SUCCESS) {
            names.emplace_back(name, size);
            size = sizeof name;
        }
        return names;
    }

    HKEY handle = 0;
    uint32_t disposition = 0;
    int32_t status;

  private:
    RegistryApi& registry_;
};

int32_t OpenStatus(RegistryApi& registry, const std::string& path, HKEY hive = HKEY_CURRENT_USER) {
    return Key(registry, path, kReadOnly, false, hive).status;
}

TEST_P(RegistryContract, FailuresAnswerTheWin32StatusCodes) {
    EXPECT_EQ(OpenStatus(*registry_, kBase), ERROR_FILE_NOT_FOUND);
    Key key(*registry_, kBase);
    ASSERT_EQ(key.status, ERROR_SUCCESS);
    EXPECT_EQ(OpenStatus(*registry_, kBase + "\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Get("Missing"), Value(ERROR_FILE_NOT_FOUND, REG_NONE, ""));
    EXPECT_EQ(registry_->RegDeleteValueA(key.handle, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_THAT(key.Names(), IsEmpty());
    uint32_t longest = 99;
    EXPECT_EQ(registry_->RegQueryInfoKeyA(key.handle, &longest), ERROR_SUCCESS);
    EXPECT_EQ(longest, 0u);

    // A key opened for reading may not be written.
    ASSERT_EQ(key.Set("Debtor", REG_SZ, "12\0"s), ERROR_SUCCESS);
    Key reader(*registry_, kBase, kReadOnly, false);
    EXPECT_EQ(reader.Set("Debtor", REG_SZ, "13\0"s), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry_->RegDeleteValueA(reader.handle, "Debtor"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reader.Get("Debtor"), Value(ERROR_SUCCESS, REG_SZ, "12\0"s));

    // A closed handle is no key; the predefined keys always close.
    HKEY closed = 0;
    ASSERT_EQ(registry_->RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, kAll, &closed), 0);
    EXPECT_EQ(registry_->RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(registry_->RegCloseKey(closed), ERROR_INVALID_HANDLE);
    uint32_t size = 0;
    EXPECT_EQ(registry_->RegQueryValueExA(closed, "Debtor", nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry_->RegSetValueExA(closed, "X", REG_SZ, Bytes("x"), 2), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry_->RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_P(RegistryContract, CreateMakesMissingParentsAndSaysWhetherItMadeTheKey) {
    Key made(*registry_, kBase + "\\A\\B");
    ASSERT_EQ(made.status, ERROR_SUCCESS);
    Key below(*registry_, "C", kAll, true, made.handle);  // relative to an open key
    Key again(*registry_, kBase + "\\a\\b");
    EXPECT_EQ(std::tuple(made.disposition, below.disposition, again.disposition),
              std::tuple(kCreatedNewKey, kCreatedNewKey, kOpenedExistingKey));
    for (const std::string path : {"\\A", "\\A\\B\\", "\\a\\B\\c"})
        EXPECT_EQ(OpenStatus(*registry_, kBase + path), ERROR_SUCCESS) << path;
    HKEY parent = 0;
    {
        Key closed(*registry_, kBase + "\\A", kReadOnly, false);
        parent = closed.handle;
    }
    EXPECT_EQ(Key(*registry_, "B", kReadOnly, false, parent).status, ERROR_INVALID_HANDLE);
    // The hives are apart.
    EXPECT_EQ(OpenStatus(*registry_, kBase, HKEY_LOCAL_MACHINE), ERROR_FILE_NOT_FOUND);
}

TEST_P(RegistryContract, ValuesOfEachTypeKeepTheirBytes) {
    Key key(*registry_, kBase);
    const std::vector<std::tuple<std::string, uint32_t, std::string>> values = {
        {"Text", REG_SZ, "caf\xC3\xA9 text\0"s},  // UTF-8, the program's text
        {"Path", REG_EXPAND_SZ, "%TEMP%\\Orders\0"s},
        {"Blob", REG_BINARY, "\x00\xFF\x00\x80"s},
        {"Number", REG_DWORD, "\x01\x00\x00\x80"s},
        {"Big", REG_DWORD_BIG_ENDIAN, "\x80\x00\x02\x01"s},
        {"Lines", REG_MULTI_SZ, "one\0two\0\0"s},
        {"Nothing", REG_NONE, ""},
        {"", REG_SZ, "default\0"s},  // the key's default value
    };
    for (const auto& [name, type, data] : values) ASSERT_EQ(key.Set(name, type, data), 0) << name;
    for (const auto& [name, type, data] : values)
        EXPECT_EQ(key.Get(name), Value(ERROR_SUCCESS, type, data)) << name;

    // Setting again replaces type and bytes.
    ASSERT_EQ(key.Set("Number", REG_SZ, "7\0"s), 0);
    EXPECT_EQ(key.Get("Number"), Value(ERROR_SUCCESS, REG_SZ, "7\0"s));

    // Size and type without a buffer; a buffer too small gets nothing but the size.
    uint32_t type = REG_NONE, size = 0;
    EXPECT_EQ(registry_->RegQueryValueExA(key.handle, "Text", &type, nullptr, &size), 0);
    EXPECT_EQ(type, uint32_t{REG_SZ});
    EXPECT_EQ(size, 11u);
    std::string buffer(10, '#');
    size = 10;
    EXPECT_EQ(registry_->RegQueryValueExA(key.handle, "Text", &type,
                                          reinterpret_cast<uint8_t*>(buffer.data()), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(buffer, std::string(10, '#'));
    buffer.assign(11, '#');
    EXPECT_EQ(registry_->RegQueryValueExA(key.handle, "Text", nullptr,
                                          reinterpret_cast<uint8_t*>(buffer.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(buffer, "caf\xC3\xA9 text\0"s);
}

// Wine lists values sorted by name, the store in the order set: nothing may
// rely on either. Names are measured in the program's UTF-8.
TEST_P(RegistryContract, EnumerationListsEachValueOnceAndFollowsDeletes) {
    Key key(*registry_, kBase);
    const std::string longName = "Longest na" + GetParam().accented;  // 11 letters, 12 bytes
    for (const std::string& name : {"b"s, longName, "a"s, "c"s})
        ASSERT_EQ(key.Set(name, REG_SZ, "1\0"s), 0) << name;
    EXPECT_THAT(key.Names(), UnorderedElementsAre("a", "b", "c", longName));
    uint32_t longest = 0;
    EXPECT_EQ(registry_->RegQueryInfoKeyA(key.handle, &longest), ERROR_SUCCESS);
    EXPECT_EQ(longest, 12u);

    // Room for every name but the longest with its terminator.
    char name[16];
    uint32_t size = 0;
    std::vector<int32_t> statuses;
    for (uint32_t index = 0; index < 4; ++index) {
        size = 12;
        statuses.push_back(registry_->RegEnumValueA(key.handle, index, name, &size));
    }
    EXPECT_THAT(statuses,
                UnorderedElementsAre(ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_MORE_DATA));
    size = sizeof name;
    EXPECT_EQ(registry_->RegEnumValueA(key.handle, 4, name, &size), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(registry_->RegDeleteValueA(key.handle, "B"), ERROR_SUCCESS);
    EXPECT_EQ(registry_->RegDeleteValueA(key.handle, longName), ERROR_SUCCESS);
    EXPECT_EQ(registry_->RegDeleteValueA(key.handle, "b"), ERROR_FILE_NOT_FOUND);
    EXPECT_THAT(key.Names(), UnorderedElementsAre("a", "c"));
    EXPECT_EQ(registry_->RegQueryInfoKeyA(key.handle, &longest), ERROR_SUCCESS);
    EXPECT_EQ(longest, 1u);
    EXPECT_EQ(key.Get("b"), Value(ERROR_FILE_NOT_FOUND, REG_NONE, ""));
}

TEST_P(RegistryContract, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
    const std::string lower = GetParam().accented, capital = GetParam().accentedCapital;
    {
        Key key(*registry_, kBase + "\\Caf" + lower);
        ASSERT_EQ(key.Set("TraceFile" + lower, REG_SZ, "a\0"s), 0);
    }
    Key same(*registry_, "SOFTWARE\\hollinde\\CONTRACT\\caf" + capital, kAll, false);
    ASSERT_EQ(same.status, ERROR_SUCCESS);
    ASSERT_EQ(same.Set("TRACEFILE" + capital, REG_SZ, "b\0"s), 0);
    EXPECT_EQ(same.Get("tracefile" + lower), Value(ERROR_SUCCESS, REG_SZ, "b\0"s));
    EXPECT_THAT(same.Names(), UnorderedElementsAre("TraceFile" + lower));
    EXPECT_EQ(registry_->RegDeleteValueA(same.handle, "tRaCeFiLe" + capital), ERROR_SUCCESS);
    EXPECT_THAT(same.Names(), IsEmpty());
}

}  // namespace
}  // namespace quarnel::test
