// SPDX-License-Identifier: MIT
// WinINet posts orders to the reference web shop, which runs natively on a
// loopback port beside Wine (a test fixture starts it and writes its port to
// a file). The order goes through the program's own submission.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "FakeUrlOpener.h"
#include "OrderBuilder.h"
#include "platform/HttpApi.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

#ifndef QUARNEL_NATIVE_SHOP_DIR
#error "QUARNEL_NATIVE_SHOP_DIR names the folder where the shop fixture writes its port"
#endif

namespace quarnel::test {
namespace {

int ShopPort() {
    std::ifstream in(QUARNEL_NATIVE_SHOP_DIR "/port");
    int port = 0;
    in >> port;
    return port;
}

TEST(NativeShop, TakesOrdersPostedThroughWinInet) {
    const int port = ShopPort();
    ASSERT_GT(port, 0) << "the native_shop test fixture has not started the shop";
    auto opener = std::make_shared<FakeUrlOpener>();
    auto send = [&](clsOrder& order, WebshopIdentification id) {
        std::string message;
        const int32_t result = order.SendToWebshop(
            message, {platform::SystemHttpApi(), opener, "127.0.0.1", port, [id] { return id; }});
        return std::pair(result, message);
    };

    auto order = MakeOrder({{"4711", 3}, {"0815", 0}}, "S1");
    ASSERT_EQ(send(*order, {"100", "jan", "p&s #+%"}).first, 0);
    ASSERT_FALSE(order->OrderNr().empty());
    ASSERT_EQ(opener->urls.size(), 1u);
    const std::string pageUrl = opener->urls[0];
    const std::string origin = "http://127.0.0.1:" + std::to_string(port) + "/";
    ASSERT_TRUE(pageUrl.starts_with(origin + "nl/quarnel/quarnelorder.aspx?order=")) << pageUrl;

    // The shop kept the order as it was posted: its page lists the lines.
    clsHTTP http(platform::SystemHttpApi());
    ASSERT_TRUE(http.OpenHTTP("127.0.0.1", port));
    std::string method = "GET";
    const std::string page = http.SendRequest(pageUrl.substr(origin.size()), method);
    http.CloseHTTP();
    for (const std::string part : {"<span id=\"scanner\">S1</span>",
                                   "<td class=\"product\">4711</td><td class=\"quantity\">3</td>",
                                   "<td class=\"product\">0815</td><td class=\"quantity\"></td>"})
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;

    // A wrong password is refused with the shop's message.
    auto refused = MakeOrder({{"4711", 1}});
    const auto [result, message] = send(*refused, {"100", "jan", "wrong"});
    EXPECT_EQ(result, 5);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(opener->urls.size(), 1u);
}

}  // namespace
}  // namespace quarnel::test
