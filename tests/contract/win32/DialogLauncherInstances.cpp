// SPDX-License-Identifier: MIT
// The dialog launcher's contract on Win32 windows, under Wine.
#include "DialogLauncherContract.h"
#include "PrivateDesktop.h"
#include "platform/Windows.h"
#include "shell/win32/Win32DialogLauncher.h"
#include "shell/win32/Win32FormRenderer.h"

namespace quarnel::test {
namespace {

// The form windows of this thread that are shown.
std::vector<win32::Win32FormWindow*> ShownFormWindows() {
    std::vector<win32::Win32FormWindow*> shown;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            auto* form = win32::Win32FormWindow::FromHandle(window);
            if (form != nullptr && IsWindowVisible(window))
                reinterpret_cast<std::vector<win32::Win32FormWindow*>*>(list)->push_back(form);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// What the modal loop's timer runs.
std::function<void()> modalStep;

void CALLBACK ModalTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (modalStep) modalStep();
}

struct OnPrivateDesktop {
    OnPrivateDesktop() {
        static const bool desktop = (UsePrivateDesktop(), true);
        (void)desktop;
    }
};

class Win32LauncherDriver final
    : public ShellLauncherDriver<OnPrivateDesktop, win32::Win32DialogLauncher> {
  public:
    using ShellLauncherDriver::ShellLauncherDriver;
    int ShownWindows() override { return static_cast<int>(ShownFormWindows().size()); }
    void PressKey(const std::string& formName, Key key) override {
        HWND target = Target(formName);
        const WPARAM code = key == Key::Return ? VK_RETURN : VK_ESCAPE;
        PostMessageA(target, WM_KEYDOWN, code, 1);
        PostMessageA(target, WM_CHAR, key == Key::Return ? '\r' : 0x1b, 1);
    }
    void TypeText(const std::string& formName, const std::string& box,
                  const std::string& text) override {
        HWND edit = Dialog(formName).ControlWindow(box);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (unsigned char c : text) PostMessageA(edit, WM_CHAR, c, 1);
        Pump();
    }
    void Pump() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    bool WhileModal(const std::function<void()>& open,
                    const std::function<void(const std::string&)>& act) override {
        bool acted = false;
        modalStep = [&] {
            const auto shown = ShownFormWindows();
            if (acted || shown.empty()) return;
            acted = true;
            act(shown.front()->form().Name());
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, &ModalTimer);
        open();
        KillTimer(nullptr, timer);
        modalStep = nullptr;
        return acted;
    }

  private:
    // The control with the focus when the window has it, else its first.
    HWND Target(const std::string& formName) {
        HWND window = Dialog(formName).Handle();
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) return focus;
        HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
        return first != nullptr ? first : window;
    }
};

QUARNEL_CONTRACT_INSTANCES(Win32, DialogLauncherContract,
                           Instance<LauncherImplementation, Win32LauncherDriver>("Win32"));

}  // namespace
}  // namespace quarnel::test
