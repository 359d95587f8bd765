// SPDX-License-Identifier: MIT
// One POST of an order of 32,767 lines to the reference web shop on
// loopback: through the program's submission, and through the curl command
// line with the same body, in the same run against the same server.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "ShopProcess.h"
#include "model/Limits.h"
#include "model/clsOrder.h"
#include "platform/HttpApi.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

namespace {

using quarnel::test::ShopProcess;

constexpr const char* kCurl = "/usr/bin/curl";

class NoBrowser : public quarnel::platform::UrlOpener {
  public:
    int32_t ShellExecuteA(const std::string&, const std::string&, const std::string&,
                          const std::string&, int32_t) override {
        return quarnel::platform::SE_OPENED;
    }
};

ShopProcess& Shop() {
    static ShopProcess shop(QUARNEL_SHOP_EXE, {"100:jan:geheim"});
    return shop;
}

std::unique_ptr<quarnel::clsOrder> BigOrder() {
    auto order = std::make_unique<quarnel::clsOrder>();
    order->SetScannerID("S1");
    for (int32_t n = 1; n <= quarnel::kMaxCountedRows; ++n) {
        auto line = std::make_shared<quarnel::clsOrderLine>();
        line->SetProductID("87" + std::to_string(10000000000 + n));
        line->SetQuantity(n % 7);
        order->AddLine(line);
    }
    return order;
}

// The body the submission sends for that order.
std::string FormBody(quarnel::clsOrder& order) {
    std::string body = "deb=100&user=jan&pass=geheim&sid=S1";
    for (int32_t n = 1; n <= order.CountLines(); ++n) {
        const auto line = order.Line(n);
        const std::string number = std::to_string(n);
        body += "&A" + number + "=" + quarnel::clsHTTP::URLEncode(line->ProductID()) + "&Q" +
                number + "=" + (line->Quantity() > 0 ? std::to_string(line->Quantity()) : "");
    }
    return body;
}

void BM_SendToWebshop(benchmark::State& state) {
    ShopProcess& shop = Shop();
    auto order = BigOrder();
    const quarnel::WebshopLink link{
        quarnel::platform::SystemHttpApi(), std::make_shared<NoBrowser>(), "127.0.0.1", shop.Port(),
        [] {
            return quarnel::WebshopIdentification{"100", "jan", "geheim"};
        }};
    for (auto _ : state) {
        std::string message;
        if (order->SendToWebshop(message, link) != 0) {
            state.SkipWithError(("not accepted: " + message).c_str());
            break;
        }
        shop.NextLogLine();
    }
}
BENCHMARK(BM_SendToWebshop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlCommandLine(benchmark::State& state) {
    ShopProcess& shop = Shop();
    auto order = BigOrder();
    const std::string body = FormBody(*order);
    std::string bodyFile = "/tmp/bench_webshop-XXXXXX";
    const int fd = ::mkstemp(bodyFile.data());
    if (fd < 0) {
        state.SkipWithError("no temporary file");
        return;
    }
    ::close(fd);
    std::ofstream(bodyFile, std::ios::binary) << body;
    const std::string url =
        quarnel::WebshopUrl("127.0.0.1", shop.Port(), quarnel::kWebshopSubmissionPath);
    for (auto _ : state) {
        quarnel::test::ChildProcess curl({kCurl, "-s", "--data-binary", "@" + bodyFile, url});
        const std::string reply = curl.ReadAll(std::chrono::seconds(60));
        if (curl.Wait(std::chrono::seconds(60)) != 0 || reply.rfind("orderid:", 0) != 0) {
            state.SkipWithError(("curl failed: " + reply).c_str());
            break;
        }
        shop.NextLogLine();
    }
    state.counters["body_bytes"] = static_cast<double>(body.size());
    ::unlink(bodyFile.c_str());
}
BENCHMARK(BM_CurlCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
