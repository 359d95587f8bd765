// SPDX-License-Identifier: MIT
// What the web shop tests share: the loopback HTTP server and a client with short time-outs.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "FakeUrlOpener.h"
#include "LoopbackServer.h"
#include "OrderBuilder.h"
#include "TestSupport.h"
#include "backends/linux/CurlHttp.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

namespace quarnel::test {

using Fields = std::vector<std::pair<std::string, std::string>>;

// A stalled server (no data for 400 ms) costs the suite little.
inline std::shared_ptr<platform::HttpApi> TestHttpApi() {
    return std::make_shared<platform::CurlHttp>(
        platform::HttpTimeouts{std::chrono::seconds(5), std::chrono::milliseconds(400)});
}

// One request through the form client to the loopback port.
inline std::string Request(int port, const std::string& target, const Fields& fields = {},
                           std::string method = "POST", bool reload = false) {
    clsHTTP http(TestHttpApi());
    for (const auto& [name, value] : fields) http.SetFields(name, value);
    EXPECT_TRUE(http.OpenHTTP("127.0.0.1", port));
    std::string reply = http.SendRequest(target, method, "", reload);
    http.CloseHTTP();
    return reply;
}

}  // namespace quarnel::test
