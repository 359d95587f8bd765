// SPDX-License-Identifier: MIT
// An HTTP client without a network: every request fails at once.
#include <string_view>

#include "platform/HttpApi.h"

namespace quarnel::platform {
namespace {

// Opens no handle, so every request fails at once.
class NullHttp final : public HttpApi {
  public:
    HINTERNET InternetOpenA(const std::string&, uint32_t, const std::string&, const std::string&,
                            uint32_t) override {
        return 0;
    }
    HINTERNET InternetConnectA(HINTERNET, const std::string&, uint16_t, const std::string&,
                               const std::string&, uint32_t, uint32_t, uintptr_t) override {
        return 0;
    }
    HINTERNET HttpOpenRequestA(HINTERNET, const std::string&, const std::string&,
                               const std::string&, const std::string&, uint32_t,
                               uintptr_t) override {
        return 0;
    }
    bool HttpSendRequestA(HINTERNET, std::string_view, std::string_view) override { return false; }
    bool InternetReadFile(HINTERNET, void*, uint32_t, uint32_t* bytesRead) override {
        if (bytesRead != nullptr) *bytesRead = 0;
        return false;
    }
    bool InternetCloseHandle(HINTERNET) override { return false; }
};

}  // namespace

std::shared_ptr<HttpApi> SystemHttpApi(HttpTimeouts) {
    return std::make_shared<NullHttp>();
}

// Without a parser no text is taken for a URL.
bool IsWellFormedUrl(const std::string&) {
    return false;
}

}  // namespace quarnel::platform
