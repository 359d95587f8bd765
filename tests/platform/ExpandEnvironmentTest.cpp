#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/RegistryApi.h"

namespace quarnel::test {
namespace {

using platform::ExpandEnvironmentStringsA;

std::string Expand(const std::string& text) {
    uint32_t needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    std::string out(needed, '#');
    EXPECT_EQ(ExpandEnvironmentStringsA(text.c_str(), out.data(), needed), needed);
    EXPECT_EQ(out.back(), '\0');
    out.pop_back();
    return out;
}

TEST(ExpandEnvironmentTest, ExpandsKnownNamesAndKeepsTheRest) {
    ScopedEnv folder("QUARNEL_FOLDER", "/data");
    ScopedEnv empty("QUARNEL_EMPTY", "");
    ScopedEnv utf8("QUARNEL_UTF8", "caf\xC3\xA9");
    ScopedEnv unknown("QUARNEL_UNKNOWN", std::nullopt);
    const std::pair<const char*, const char*> cases[] = {
        {"%QUARNEL_FOLDER%\\Orders\\", "/data\\Orders\\"},
        {"%quarnel_folder%", "/data"},
        {"[%QUARNEL_EMPTY%]", "[]"},
        {"%QUARNEL_UTF8%", "caf\xE9"},
        {"%QUARNEL_UNKNOWN%\\x", "%QUARNEL_UNKNOWN%\\x"},
        {"%QUARNEL_UNKNOWN%QUARNEL_FOLDER%", "%QUARNEL_UNKNOWN%QUARNEL_FOLDER%"},
        {"%QUARNEL_FOLDER%%QUARNEL_FOLDER%", "/data/data"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"", ""},
    };
    for (const auto& [text, expanded] : cases) EXPECT_EQ(Expand(text), expanded) << text;
}

TEST(ExpandEnvironmentTest, LeavesASmallBufferUntouched) {
    ScopedEnv folder("QUARNEL_FOLDER", "/data");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ExpandEnvironmentStringsA("%QUARNEL_FOLDER%", buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 4), "xxxx");
}

}  // namespace
}  // namespace quarnel::test
