// SPDX-License-Identifier: MIT
// The URL check gives the same answers on every system: the cases below run
// against each system's parser.
#include <gtest/gtest.h>

#include <string>

#include "platform/HttpApi.h"
#include "webshop/clsURLChecker.h"

namespace quarnel::test {
namespace {

using namespace std::string_literals;

TEST(URLCheckerTest, AcceptsOnlyAbsoluteUrlsWithAScheme) {
    const struct {
        std::string url;
        bool wellFormed;
    } cases[] = {
        {"http://shop.quarnel.example/nl/x.aspx?order=1", true},
        {"HTTPS://EXAMPLE.COM", true},
        {"x-y+z.w://host/", true},  // any scheme
        {"http://user:pw@127.0.0.1:65535/p?q#frag", true},
        {"http://[::1]:8080/", true},
        {"http://ex%41mple.com/<>{}|^`", true},
        {"http://example.com/caf\xE9", true},  // Windows-1252 text in the path
        {"http://example.com:/", true},        // the scheme's default port
        // No scheme, or no "//" and authority after it.
        {"shop.quarnel.example/nl", false},
        {"", false},
        {"mailto:jan@example.com", false},
        {"http:example.com", false},
        {"http://", false},
        // Blanks and control bytes anywhere, a NUL included.
        {"http://exa mple.com/", false},
        {"http://example.com/a b", false},
        {"http://example.com/a\tb", false},
        {"http://example.com/\x7F", false},
        {"http://example.com\0x"s, false},
        // Hosts and ports that cannot be.
        {"http://exa<mple.com/", false},
        {"http://exa\\mple.com/", false},
        {"http://a@b@example.com/", false},
        {"http://example.com:99999/", false},
        {"http://example.com:80a/", false},
        {"http://host:80:90/", false},
        {"http://[::1/", false},
        {"http://[::1]x/", false},
        {"http://[v1.x]/", false},
        {"http://::1/", false},
    };
    for (const auto& [url, wellFormed] : cases) {
        EXPECT_EQ(platform::IsWellFormedUrl(url), wellFormed) << url;
        EXPECT_EQ(clsURLChecker().URLAvailable(url), wellFormed) << url;
    }
}

}  // namespace
}  // namespace quarnel::test
