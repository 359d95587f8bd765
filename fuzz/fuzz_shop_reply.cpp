// SPDX-License-Identifier: MIT
// The shop's reply as the order submission interprets it. The first input
// byte says how the body arrives: its low six bits give the size of the
// pieces the client hands out (0 for all at once), its top bit breaks the
// connection after the last piece. The rest is the body.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "model/clsOrder.h"
#include "webshop/WebshopLink.h"

using namespace quarnel;

namespace {

class ReplyingHttp : public platform::HttpApi {
  public:
    ReplyingHttp(std::string body, size_t piece, bool breaks)
        : body_(std::move(body)), piece_(piece), breaks_(breaks) {}

    platform::HINTERNET InternetOpenA(const std::string&, uint32_t, const std::string&,
                                      const std::string&, uint32_t) override {
        return 1;
    }
    platform::HINTERNET InternetConnectA(platform::HINTERNET, const std::string&, uint16_t,
                                         const std::string&, const std::string&, uint32_t, uint32_t,
                                         uintptr_t) override {
        return 2;
    }
    platform::HINTERNET HttpOpenRequestA(platform::HINTERNET, const std::string&,
                                         const std::string&, const std::string&, const std::string&,
                                         uint32_t, uintptr_t) override {
        return 3;
    }
    bool HttpSendRequestA(platform::HINTERNET, std::string_view, std::string_view) override {
        return true;
    }
    bool InternetReadFile(platform::HINTERNET, void* buffer, uint32_t bytesToRead,
                          uint32_t* bytesRead) override {
        const size_t left = body_.size() - position_;
        if (left == 0 && breaks_) return false;
        size_t count = std::min<size_t>(left, bytesToRead);
        if (piece_ > 0) count = std::min(count, piece_);
        std::copy_n(body_.data() + position_, count, static_cast<char*>(buffer));
        position_ += count;
        *bytesRead = static_cast<uint32_t>(count);
        return true;
    }
    bool InternetCloseHandle(platform::HINTERNET) override { return true; }

  private:
    std::string body_;
    size_t piece_;
    bool breaks_;
    size_t position_ = 0;
};

class CountingOpener : public platform::UrlOpener {
  public:
    int32_t ShellExecuteA(const std::string&, const std::string&, const std::string&,
                          const std::string&, int32_t) override {
        ++opened;
        return platform::SE_OPENED;
    }
    int opened = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    auto opener = std::make_shared<CountingOpener>();
    WebshopLink link;
    link.http = std::make_shared<ReplyingHttp>(body, data[0] & 0x3F, (data[0] & 0x80) != 0);
    link.opener = opener;
    link.host = "shop.example";
    link.identification = [] { return WebshopIdentification{"1234", "jan", "p&ss"}; };

    clsOrder order;
    auto line = order.NewLine();
    line->SetProductID("8712345678906");
    line->SetQuantity(2);
    order.AddLine(line);

    std::string message;
    const int32_t result = order.SendToWebshop(message, link);
    FUZZ_CHECK(result == 0 || (result >= 3 && result <= 6));
    FUZZ_CHECK((result == 0 || result == 4) == (opener->opened == 1));
    FUZZ_CHECK(order.OrderNr().empty() == (opener->opened == 0));
    return 0;
}
