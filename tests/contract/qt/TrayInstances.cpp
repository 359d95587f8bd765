// SPDX-License-Identifier: MIT
// The tray contract of the Qt shell, under the offscreen platform with a
// tray host said to be there.
#include <QSystemTrayIcon>

#include "QtTestApp.h"
#include "TrayContract.h"
#include "shell/qt/QtShellNotify.h"

namespace quarnel::test {
namespace {

class QtTrayDriver final : public TrayDriver {
  public:
    QtTrayDriver() {
        QtTestApp();
        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return true; };
        shell_ = std::make_unique<qt::QtShellNotify>(options);
    }
    platform::ShellNotifyApi& Shell() override { return *shell_; }
    // The icon is made when it is first placed in the tray.
    bool Shown(platform::HWND, uint32_t) override {
        const QSystemTrayIcon* icon = shell_->findChild<QSystemTrayIcon*>();
        return icon && icon->isVisible();
    }
    std::string Tip(platform::HWND, uint32_t) override {
        const QSystemTrayIcon* icon = shell_->findChild<QSystemTrayIcon*>();
        return icon ? icon->toolTip().toStdString() : std::string();
    }

  private:
    std::unique_ptr<qt::QtShellNotify> shell_;
};

QUARNEL_CONTRACT_INSTANCES(Qt, TrayContract, Instance<TrayImplementation, QtTrayDriver>("Qt"));

}  // namespace
}  // namespace quarnel::test
