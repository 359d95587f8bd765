// SPDX-License-Identifier: MIT
// Dialogs that only record which one was asked for, and with which scanner.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/DialogLauncher.h"

namespace quarnel::test {

class FakeDialogLauncher : public DialogLauncher {
  public:
    void ShowAbout() override { calls.push_back("About"); }
    void ShowOptions() override { calls.push_back("Options"); }
    void ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) override {
        calls.push_back("DeviceInfo");
        scanners.push_back(std::move(scanner));
    }
    void ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) override {
        calls.push_back("ScannerSettings");
        scanners.push_back(std::move(scanner));
    }
    bool AnyOpen() const override { return false; }

    std::vector<std::string> calls;
    std::vector<std::shared_ptr<clsOPN2001>> scanners;
};

}  // namespace quarnel::test
