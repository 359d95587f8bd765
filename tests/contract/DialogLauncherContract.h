// SPDX-License-Identifier: MIT
// The dialog launcher's contract: modal and modeless dialogs, one window
// per dialog, and a program that ends with dialogs open.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "ContractTest.h"
#include "FakeDesktop.h"
#include "FakeScannerLibrary.h"
#include "TestSupport.h"
#include "ui/DialogLauncher.h"
#include "ui/Form.h"
#include "ui/FormServices.h"

namespace quarnel::test {

// A shell's launcher and a user at its windows.
class LauncherDriver {
  public:
    enum class Key { Return, Escape };

    virtual ~LauncherDriver() = default;
    virtual DialogLauncher& Launcher() = 0;
    virtual void SetAllClosedHandler(std::function<void()> handler) = 0;
    virtual void CloseAll() = 0;
    // The top-level windows of the dialogs that are shown.
    virtual int ShownWindows() = 0;
    // The form of a dialog's open window, or null.
    virtual ui::Form* OpenForm(const std::string& formName) = 0;
    // The key to the control with the focus in the dialog's window (its
    // first control when another window has the focus).
    virtual void PressKey(const std::string& formName, Key key) = 0;
    // Types into a text box as the user does.
    virtual void TypeText(const std::string& formName, const std::string& box,
                          const std::string& text) = 0;
    virtual void Pump() = 0;
    // Calls open, which shows a modal dialog and returns once it closed;
    // meanwhile act runs once with the dialog's form name. True when it ran.
    virtual bool WhileModal(const std::function<void()>& open,
                            const std::function<void(const std::string&)>& act) = 0;
};

// What a driver passes straight to the shell's launcher. Prepare runs first:
// what the shell needs before its launcher is made.
template <class Prepare, class Shell>
class ShellLauncherDriver : public LauncherDriver, private Prepare {
  public:
    explicit ShellLauncherDriver(ui::FormServices services)
        : launcher_(std::make_unique<Shell>(std::move(services))) {}
    DialogLauncher& Launcher() override { return *launcher_; }
    void SetAllClosedHandler(std::function<void()> handler) override {
        launcher_->SetAllClosedHandler(std::move(handler));
    }
    void CloseAll() override { launcher_->CloseAll(); }
    ui::Form* OpenForm(const std::string& formName) override {
        auto* dialog = launcher_->OpenDialog(formName);
        return dialog != nullptr ? &dialog->form() : nullptr;
    }

  protected:
    auto& Dialog(const std::string& formName) {
        auto* dialog = launcher_->OpenDialog(formName);
        if (dialog == nullptr) throw std::runtime_error(formName + " is not open");
        return *dialog;
    }

    std::unique_ptr<Shell> launcher_;
};

struct LauncherImplementation {
    std::string name;
    std::function<std::unique_ptr<LauncherDriver>(ui::FormServices)> make;
};

class DialogLauncherContract : public ::testing::TestWithParam<LauncherImplementation> {
  protected:
    void SetUp() override;
    void TearDown() override;
    bool WaitUntil(const std::function<bool()>& done);
    std::shared_ptr<clsOPN2001> ConnectedScanner();

    TempDir dir_;
    std::shared_ptr<FakeDesktop> desktop_ = std::make_shared<FakeDesktop>();
    std::shared_ptr<FakeScannerLibrary> library_ = std::make_shared<FakeScannerLibrary>();
    std::unique_ptr<LauncherDriver> driver_;
    int allClosed_ = 0;
};

}  // namespace quarnel::test
