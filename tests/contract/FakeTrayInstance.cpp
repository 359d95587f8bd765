// SPDX-License-Identifier: MIT
// The tray contract of the fake shell, on every platform.
#include "FakeShell.h"
#include "TrayContract.h"

namespace quarnel::test {
namespace {

class FakeTrayDriver final : public TrayDriver {
  public:
    platform::ShellNotifyApi& Shell() override { return shell_; }
    bool Shown(platform::HWND window, uint32_t id) override {
        return shell_.Icon(window, id) != nullptr;
    }
    std::string Tip(platform::HWND window, uint32_t id) override {
        const platform::NotifyIconRecord* icon = shell_.Icon(window, id);
        return icon ? FakeShell::Text(icon->szTip) : "";
    }

  private:
    FakeShell shell_;
};

QUARNEL_CONTRACT_INSTANCES(Fake, TrayContract,
                           Instance<TrayImplementation, FakeTrayDriver>("Fake"));

}  // namespace
}  // namespace quarnel::test
