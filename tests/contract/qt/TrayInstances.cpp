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
        icon_ = shell_->findChild<QSystemTrayIcon*>();
    }
    platform::ShellNotifyApi& Shell() override { return *shell_; }
    bool Shown(platform::HWND, uint32_t) override { return icon_->isVisible(); }
    std::string Tip(platform::HWND, uint32_t) override { return icon_->toolTip().toStdString(); }

  private:
    std::unique_ptr<qt::QtShellNotify> shell_;
    QSystemTrayIcon* icon_ = nullptr;
};

// QtShellNotify holds one icon and does not compare the record's window and id.
INSTANTIATE_TEST_SUITE_P(Qt, TrayContract,
                         ::testing::Values(TrayImplementation{
                             "Qt", [] { return std::make_unique<QtTrayDriver>(); }, true}),
                         ImplementationName());

}  // namespace
}  // namespace quarnel::test
