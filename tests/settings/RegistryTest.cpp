#include <gtest/gtest.h>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/ErrorInfo.h"
#include "platform/Paths.h"
#include "settings/clsRegistry.h"

namespace quarnel {
namespace {

using namespace platform;

class RegistryTest : public ::testing::Test {
  protected:
    clsRegistry At(const std::string& section, const std::string& name = "") {
        clsRegistry reg(fake);
        reg.SetClassKey(HKEY_CURRENT_USER);
        reg.SetSectionKey(section);
        reg.SetValueKey(name);
        return reg;
    }
    static std::string Source() {
        std::string exe = ExecutablePath();
        return exe.substr(exe.rfind('/') + 1) + ".cRegistry";
    }
    std::shared_ptr<test::FakeRegistry> fake = std::make_shared<test::FakeRegistry>();
};

TEST_F(RegistryTest, MissingKeyReadsDefaultAndKeepsType) {
    clsRegistry reg = At("Software\\Nowhere", "x");
    reg.SetValueType(REG_DWORD);
    reg.SetDefault(std::string("fallback"));
    EXPECT_EQ(reg.Value(), RegValue(std::string("fallback")));
    EXPECT_EQ(reg.ValueType(), REG_DWORD);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(reg.ValueExists());
    std::vector<std::string> names{"stale"};
    int32_t count = 7;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(fake->OpenHandles(), 0u);
}

TEST_F(RegistryTest, ReadsEachTypeAndExpandsOnlyExpandSz) {
    test::ScopedEnv root("QUARNEL_TEST_ROOT", "/srv");
    fake->PutText("HKCU\\K", "sz", "%QUARNEL_TEST_ROOT%\\x");
    fake->PutText("HKCU\\K", "exp", "%QUARNEL_TEST_ROOT%\\x", REG_EXPAND_SZ);
    fake->PutText("HKCU\\K", "latin", "caf\xE9");
    fake->Put("HKCU\\K", "dword", REG_DWORD, {0x01, 0x02, 0x00, 0x80});
    fake->Put("HKCU\\K", "big", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x01, 0x02});
    fake->Put("HKCU\\K", "bin", REG_BINARY, {0xDE, 0xAD});
    fake->Put("HKCU\\K", "empty", REG_SZ, {});
    fake->Put("HKCU\\K", "multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});

    struct Case {
        const char* name;
        RegValue value;
        uint32_t type;
    };
    for (const Case& c : {Case{"sz", std::string("%QUARNEL_TEST_ROOT%\\x"), REG_SZ},
                          Case{"exp", std::string("/srv\\x"), REG_EXPAND_SZ},
                          Case{"latin", std::string("caf\xC3\xA9"), REG_SZ},
                          Case{"dword", int32_t(0x80000201), REG_DWORD},
                          Case{"big", int32_t(0x0102), REG_DWORD_BIG_ENDIAN},
                          Case{"bin", std::vector<uint8_t>{0xDE, 0xAD}, REG_BINARY},
                          Case{"empty", std::string(), REG_SZ},
                          Case{"multi", std::string("a\0b\0", 4), REG_MULTI_SZ}}) {
        clsRegistry reg = At("K", c.name);
        EXPECT_EQ(reg.Value(), c.value) << c.name;
        EXPECT_EQ(reg.ValueType(), c.type) << c.name;
    }
    EXPECT_EQ(fake->OpenHandles(), 0u);
}

TEST_F(RegistryTest, WriteChoosesExpandSzByPercentSigns) {
    struct Case {
        RegValue value;
        uint32_t storedType;
        std::string data;
    };
    for (const Case& c :
         {Case{std::string("%A%"), REG_EXPAND_SZ, "%A%"}, Case{std::string("%%"), REG_SZ, "%%"},
          Case{std::string("50% off"), REG_SZ, "50% off"},
          Case{std::string("%TEMP%\\Orders\\"), REG_EXPAND_SZ, "%TEMP%\\Orders\\"},
          Case{int32_t{7}, REG_SZ, "7"}, Case{std::string("\xE2\x82\xAC"), REG_SZ, "\x80"}}) {
        clsRegistry reg = At("Software\\New\\Deep", "v");
        reg.SetValueType(REG_SZ);
        reg.SetValue(c.value);
        const auto* stored = fake->Find("HKCU\\Software\\New\\Deep", "v");
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(stored->type, c.storedType);
        std::string expected = c.data + '\0';
        EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()), expected);
    }
    EXPECT_TRUE(fake->HasKey("HKCU\\Software\\New"));
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

TEST_F(RegistryTest, DwordWritesOnlyNumbersAndOtherTypesFail) {
    clsRegistry reg = At("K", "n");
    reg.SetValueType(REG_DWORD);
    reg.SetValue(int32_t{-2});
    EXPECT_EQ(fake->Find("HKCU\\K", "n")->data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    reg.SetValueType(REG_BINARY);
    EXPECT_EQ(Raised([&] { reg.SetValue(std::string("x")); }),
              "-2147194455|Failed to set registry value Key: '-2147483647',Section: 'K',Key: 'n' "
              "to value: '-2'|" +
                  Source());
}

TEST_F(RegistryTest, FailuresRaise26001WithTheirTexts) {
    fake->failWrites = true;
    clsRegistry reg = At("A\\B", "v");
    reg.SetValueType(REG_SZ);
    const std::string source = std::string("|").append(Source());
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
    EXPECT_EQ(fake->OpenHandles(), 0u);
}

TEST_F(RegistryTest, ValueExistsComparesNamesExactly) {
    fake->PutText("HKCU\\K", "Foo", "1");
    fake->PutText("HKCU\\K", "LongerName", "2");
    clsRegistry reg = At("K", "foo");
    EXPECT_FALSE(reg.ValueExists());
    reg.SetValueKey("Foo");
    EXPECT_TRUE(reg.ValueExists());
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateValues(names, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Foo", "LongerName"}));
    reg.SetValueKey("Foo");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(fake->Find("HKCU\\K", "Foo"), nullptr);
}

}  // namespace
}  // namespace quarnel
