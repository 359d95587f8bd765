// SPDX-License-Identifier: MIT
// No program opens documents: every request reports a missing opener.
#include "platform/UrlOpener.h"

namespace quarnel::platform {
namespace {

class NullUrlOpener final : public UrlOpener {
  public:
    int32_t ShellExecuteA(const std::string&, const std::string&, const std::string&,
                          const std::string&, int32_t) override {
        return SE_ERR_FNF;
    }
};

}  // namespace

std::shared_ptr<UrlOpener> SystemUrlOpener(std::chrono::milliseconds) {
    return std::make_shared<NullUrlOpener>();
}

}  // namespace quarnel::platform
