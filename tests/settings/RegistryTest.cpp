// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "base/ErrorInfo.h"
#include "platform/Paths.h"
#include "settings/clsRegistry.h"

namespace quarnel {
namespace {

using namespace platform;
using namespace std::string_literals;
using Names = std::vector<std::string>;

class RegistryTest : public ::testing::Test {
  protected:
    clsRegistry At(const std::string& section, const std::string& name, uint32_t type = REG_SZ) {
        clsRegistry reg(fake);
        reg.SetClassKey(HKEY_CURRENT_USER);
        reg.SetSectionKey(section);
        reg.SetValueKey(name);
        reg.SetValueType(type);
        return reg;
    }
    void TearDown() override { EXPECT_EQ(fake->OpenHandles(), 0u); }
    std::shared_ptr<test::FakeRegistry> fake = std::make_shared<test::FakeRegistry>();
};

TEST_F(RegistryTest, MissingKeyReadsDefaultAndValueNamesCompareExactly) {
    clsRegistry missing = At("Software\\Nowhere", "x", REG_DWORD);
    missing.SetDefault(std::string("fallback"));
    EXPECT_EQ(missing.Value(), RegValue(std::string("fallback")));
    EXPECT_FALSE(missing.KeyExists() || missing.ValueExists());
    Names names{"stale"};
    int32_t count = 7;
    EXPECT_TRUE(missing.EnumerateValues(names, count));
    EXPECT_EQ(std::pair(names, count), std::pair(Names{}, 0));

    fake->PutText("HKCU\\K", "Foo", "1");
    fake->PutText("HKCU\\K", "LongerName", "2");
    clsRegistry reg = At("K", "foo");
    EXPECT_FALSE(reg.ValueExists());
    reg.EnumerateValues(names, count);
    EXPECT_EQ(std::pair(names, count), std::pair(Names{"Foo", "LongerName"}, 2));
    reg.SetValueKey("Foo");
    EXPECT_TRUE(reg.ValueExists());
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(fake->Find("HKCU\\K", "Foo"), nullptr);
}

TEST_F(RegistryTest, ReadsEachTypeAndExpandsOnlyExpandSz) {
    test::ScopedEnv root("QUARNEL_TEST_ROOT", "/srv");
    struct Case {
        uint32_t type;
        std::string stored;
        RegValue value;
    };
    for (const Case& c :
         {Case{REG_SZ, "%QUARNEL_TEST_ROOT%\\x\0"s, "%QUARNEL_TEST_ROOT%\\x"s},
          Case{REG_EXPAND_SZ, "%QUARNEL_TEST_ROOT%\\x\0"s, "/srv\\x"s},
          Case{REG_SZ, "\xC5\x81\xC3\xB3\x64\xC5\xBA\0"s, "\xC5\x81\xC3\xB3\x64\xC5\xBA"s},
          Case{REG_SZ, "", ""s}, Case{REG_DWORD, "\x01\x02\x00\x80"s, int32_t(0x80000201)},
          Case{REG_DWORD_BIG_ENDIAN, "\x00\x00\x01\x02"s, int32_t(0x0102)},
          Case{REG_BINARY, "\xDE\xAD"s, std::vector<uint8_t>{0xDE, 0xAD}},
          Case{REG_MULTI_SZ, "a\0b\0\0"s, "a\0b\0"s}}) {
        fake->Put("HKCU\\K", "v", c.type, {c.stored.begin(), c.stored.end()});
        clsRegistry reg = At("K", "v");
        EXPECT_EQ(reg.Value(), c.value) << c.stored;
        EXPECT_EQ(reg.ValueType(), c.type) << c.stored;
    }
}

TEST_F(RegistryTest, WriteChoosesExpandSzByPercentSignsAndMakesTheKey) {
    struct Case {
        RegValue value;
        uint32_t storedType;
        std::string data;
    };
    for (const Case& c :
         {Case{std::string("%A%"), REG_EXPAND_SZ, "%A%"}, Case{std::string("%%"), REG_SZ, "%%"},
          Case{std::string("50% off"), REG_SZ, "50% off"}, Case{int32_t{7}, REG_SZ, "7"},
          Case{std::string("/home/\xC5\x82ukasz/%A"), REG_SZ, "/home/\xC5\x82ukasz/%A"}}) {
        At("Software\\New\\Deep", "v").SetValue(c.value);
        const auto* stored = fake->Find("HKCU\\Software\\New\\Deep", "v");
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(stored->type, c.storedType);
        EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()), c.data + '\0');
    }
}

// "number|description|source" of the failure the call raises.
template <typename Call>
std::string Raised(Call call) {
    try {
        call();
    } catch (const QuarnelError& e) {
        return std::to_string(e.Number()) + "|" + e.Description() + "|" + e.Source();
    }
    return "nothing raised";
}

TEST_F(RegistryTest, FailuresRaiseWithTheirTexts) {
    const std::string path = ExecutablePath();
    // The program's name without folder and, on Windows, without ".exe".
    std::string program = path.substr(path.find_last_of("/\\") + 1);
    if (program.ends_with(".exe")) program.resize(program.size() - 4);
    const std::string source = "|" + program + ".cRegistry";
    // A DWORD takes numbers only; the failure names the value written before.
    clsRegistry dword = At("K", "n", REG_DWORD);
    dword.SetValue(int32_t{-2});
    EXPECT_EQ(fake->Find("HKCU\\K", "n")->data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    dword.SetValueType(REG_BINARY);
    EXPECT_EQ(Raised([&] { dword.SetValue(std::string("x")); }),
              "-2147194455|Failed to set registry value Key: '-2147483647',Section: 'K',Key: 'n' "
              "to value: '-2'" +
                  source);
    fake->failWrites = true;
    clsRegistry reg = At("A\\B", "v");
    EXPECT_EQ(Raised([&] { reg.SetValue(std::string("x")); }),
              "26001|Failed to set registry value Key: '-2147483647',Section: 'A\\B',Key: 'v' to "
              "value: ''" +
                  source);
    EXPECT_EQ(Raised([&] { reg.CreateKey(); }),
              "26001|Failed to create registry Key: 'A\\B" + source);
    fake->failWrites = false;
    EXPECT_EQ(Raised([&] { reg.DeleteValue(); }),
              "26001|Failed to open key '-2147483647',Section: 'A\\B' for delete access" + source);
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_EQ(
        Raised([&] { reg.DeleteValue(); }),
        "26001|Failed to delete registry Key: '-2147483647',Section: 'A\\B',Key: 'v" + source);
}

}  // namespace
}  // namespace quarnel
