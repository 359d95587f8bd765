// Where the shop is: the build's host, the run-time override and the URLs.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "webshop/WebshopLink.h"

namespace quarnel::test {
namespace {

TEST(WebshopLinkTest, ParsesHostAndPort) {
    struct Case {
        std::string text;
        std::optional<std::string> host;
        int32_t port;
    };
    const std::vector<Case> cases = {
        {"shop.example", "shop.example", 80},
        {"127.0.0.1:8080", "127.0.0.1", 8080},
        {"[::1]:81", "::1", 81},
        {"shop:0", std::nullopt, 0},
        {"shop:65536", std::nullopt, 0},
        {"shop:80x", std::nullopt, 0},
        {"::1", std::nullopt, 0},
        {"user@shop", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        std::optional<WebshopAddress> address = ParseWebshopAddress(c.text);
        ASSERT_EQ(address.has_value(), c.host.has_value()) << c.text;
        if (address) {
            EXPECT_EQ(address->host, *c.host);
            EXPECT_EQ(address->port, c.port);
        }
    }
}

TEST(WebshopLinkTest, EnvironmentOverridesTheBuildsHost) {
    {
        ScopedEnv unset(kWebshopEnvironmentVariable, std::nullopt);
        const WebshopAddress address = ConfiguredWebshopAddress();
        EXPECT_EQ(address.host, QUARNEL_WEBSHOP_HOST);
        EXPECT_EQ(address.port, 80);
    }
    {
        ScopedEnv staging(kWebshopEnvironmentVariable, "staging.example:8081");
        const WebshopAddress address = ConfiguredWebshopAddress();
        EXPECT_EQ(address.host, "staging.example");
        EXPECT_EQ(address.port, 8081);
    }
    {
        // Never the build's shop by mistake: an unusable value stays the host.
        ScopedEnv broken(kWebshopEnvironmentVariable, "staging.example:port");
        EXPECT_EQ(ConfiguredWebshopAddress().host, "staging.example:port");
    }
}

}  // namespace
}  // namespace quarnel::test
