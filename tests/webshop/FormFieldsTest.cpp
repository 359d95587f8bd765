// SPDX-License-Identifier: MIT
// The form's fields and their encoding, which need no server.
#include <gtest/gtest.h>

#include <string>

#include "platform/HttpApi.h"
#include "webshop/clsHTTP.h"

namespace quarnel::test {
namespace {

TEST(HttpClientTest, FieldsOfALargeOrderStayApart) {
    clsHTTP http(platform::SystemHttpApi());
    for (int n = 1; n <= 5000; ++n) {
        http.SetFields("A" + std::to_string(n), std::to_string(n));
        http.SetFields("Q" + std::to_string(n), "");
    }
    http.SetFields("a4321", "x");
    for (int n : {1, 17, 999, 5000})
        EXPECT_EQ(http.Fields("A" + std::to_string(n)), std::to_string(n));
    EXPECT_EQ(http.Fields("A4321") + http.Fields("q77") + http.Fields("A5001"), "x");
}

TEST(URLEncodeTest, EncodesWindows1252Bytes) {
    // "€" is a byte of Windows-1252, "中" is not.
    EXPECT_EQ(clsHTTP::URLEncode("AZaz09 -_.~+&=%"), "AZaz09%20%2D%5F%2E%7E%2B%26%3D%25");
    EXPECT_EQ(clsHTTP::URLEncode("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD"), "%E9%80%3F");
}

}  // namespace
}  // namespace quarnel::test
