// What the web shop tests share: an environment without proxies, a client
// with short time-outs, and orders built in one call.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/clsOrder.h"
#include "platform/linux/CurlHttp.h"

namespace quarnel::test {

// Proxy settings of the machine running the tests must not reroute loopback
// requests.
class WebshopTest : public ::testing::Test {
  protected:
    ScopedEnv httpProxy_{"http_proxy", std::nullopt};
    ScopedEnv allProxy_{"all_proxy", std::nullopt};
    ScopedEnv allProxyUpper_{"ALL_PROXY", std::nullopt};
    ScopedEnv noProxy_{"no_proxy", std::nullopt};
    ScopedEnv noProxyUpper_{"NO_PROXY", std::nullopt};
};

// Short enough that a stalled server costs the suite little.
inline constexpr std::chrono::milliseconds kTestNoDataTimeout{400};

inline std::shared_ptr<platform::HttpApi> TestHttpApi() {
    return std::make_shared<platform::CurlHttp>(
        platform::HttpTimeouts{std::chrono::seconds(5), kTestNoDataTimeout});
}

inline std::unique_ptr<clsOrder> MakeOrder(
    const std::string& scannerID, const std::vector<std::pair<std::string, int32_t>>& lines) {
    auto order = std::make_unique<clsOrder>();
    order->SetScannerID(scannerID);
    for (const auto& [product, quantity] : lines) {
        auto line = std::make_shared<clsOrderLine>();
        line->SetProductID(product);
        line->SetQuantity(quantity);
        order->AddLine(line);
    }
    return order;
}

// The head and the body of a raw request.
inline std::pair<std::string, std::string> SplitRequest(const std::string& request) {
    const size_t end = request.find("\r\n\r\n");
    if (end == std::string::npos) return {request, {}};
    return {request.substr(0, end + 2), request.substr(end + 4)};
}

}  // namespace quarnel::test
