// SPDX-License-Identifier: MIT
// Where the shop is: the build's host, the run-time override and the URLs.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "webshop/WebshopLink.h"

namespace quarnel::test {
namespace {

TEST(WebshopLinkTest, ParsesHostAndPortBuildsUrlsAndHonoursTheEnvironment) {
    for (const auto& [text, url] : std::vector<std::pair<std::string, std::string>>{
             {"shop.example", "http://shop.example/x"},
             {"127.0.0.1:8080", "http://127.0.0.1:8080/x"},
             {"[::1]:81", "http://[::1]:81/x"}}) {
        const std::optional<WebshopAddress> address = ParseWebshopAddress(text);
        ASSERT_TRUE(address) << text;
        EXPECT_EQ(WebshopUrl(address->host, address->port, "x"), url);
    }
    for (const char* text : {"shop:0", "shop:65536", "shop:80x", "::1", "user@shop", ""})
        EXPECT_FALSE(ParseWebshopAddress(text)) << text;
    // The environment overrides the build's host, never falling back to it by mistake.
    for (const auto& [value, expected] :
         std::vector<std::pair<std::optional<std::string>, std::string>>{
             {std::nullopt, std::string(QUARNEL_WEBSHOP_HOST) + ":80"},
             {"staging.example:8081", "staging.example:8081"},
             {"staging.example:port", "staging.example:port:80"}}) {
        ScopedEnv env(kWebshopEnvironmentVariable, value);
        const WebshopAddress got = ConfiguredWebshopAddress();
        EXPECT_EQ(got.host + ":" + std::to_string(got.port), expected);
    }
}

}  // namespace
}  // namespace quarnel::test
