// SPDX-License-Identifier: MIT
// The tray's contract: Shell_NotifyIconA's operations and refusals, and the
// icon's fields kept between them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ContractTest.h"
#include "platform/ShellNotify.h"

namespace quarnel::test {

// The notification area under test, and what the user sees of its icon.
class TrayDriver {
  public:
    virtual ~TrayDriver() = default;
    virtual platform::ShellNotifyApi& Shell() = 0;
    // Whether the icon of window and id is in the tray.
    virtual bool Shown(platform::HWND window, uint32_t id) = 0;
    // Its tip, in UTF-8.
    virtual std::string Tip(platform::HWND window, uint32_t id) = 0;
};

struct TrayImplementation {
    std::string name;
    std::function<std::unique_ptr<TrayDriver>()> make;
};

class TrayContract : public ::testing::TestWithParam<TrayImplementation> {
  protected:
    std::unique_ptr<TrayDriver> driver_ = GetParam().make();
};

}  // namespace quarnel::test
