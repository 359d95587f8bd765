// SPDX-License-Identifier: MIT
#include "ui/DialogLauncher.h"

namespace quarnel {
namespace {

class NoDialogLauncher final : public DialogLauncher {
  public:
    void ShowAbout() override {}
    void ShowOptions() override {}
    void ShowDeviceInfo(std::shared_ptr<clsOPN2001>) override {}
    void ShowScannerSettings(std::shared_ptr<clsOPN2001>) override {}
    bool AnyOpen() const override { return false; }
};

}  // namespace

std::shared_ptr<DialogLauncher> NoDialogs() {
    return std::make_shared<NoDialogLauncher>();
}

}  // namespace quarnel
