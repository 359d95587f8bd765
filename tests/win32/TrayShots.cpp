// SPDX-License-Identifier: MIT
// quarnel-trayshots: puts the program's tray icon up with one of its
// balloons, in the user's language, through the same tray object and shell
// as quarnel.exe, and keeps it up for a while; for screenshots of balloons
// that otherwise need a scanner.
//   quarnel-trayshots connected|unsent|error [seconds]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/modTexts.h"
#include "platform/Windows.h"
#include "shell/win32/Win32ShellNotify.h"
#include "ui/TrayForm.h"
#include "ui/clsSysTray.h"

namespace {

using namespace quarnel;

// A hidden window of the seam standing in for the main window.
class ShotForm final : public TrayForm {
  public:
    platform::HWND hWnd() const override { return window_->Handle(); }
    platform::HICON Icon() const override { return platform::kIconApplication; }
    void SetMouseMoveHandler(MouseMoveHandler handler) override { handler_ = std::move(handler); }

  private:
    MouseMoveHandler handler_;
    std::unique_ptr<platform::HiddenWindow> window_ = platform::CreateHiddenWindow(
        "frmMain", [this](platform::HWND hWnd, platform::UINT uMsg, platform::WPARAM wParam,
                          platform::LPARAM lParam) {
            if (auto args = DecodeMouseMove(uMsg, wParam, lParam)) {
                if (handler_) handler_(*args);
                return platform::LRESULT{0};
            }
            return platform::DefWindowProcA(hWnd, uMsg, wParam, lParam);
        });
};

}  // namespace

int main(int argc, char** argv) {
    const char* scene = argc >= 2 ? argv[1] : "";
    const int seconds = argc >= 3 ? std::atoi(argv[2]) : 20;
    auto shell = std::make_shared<win32::Win32ShellNotify>();
    ShotForm form;
    clsSysTray tray(shell);
    if (std::strcmp(scene, "connected") == 0) {
        tray.AddToTray(form, platform::kIconScannerOK, "Quarnel - OPN2001");
        tray.ShowBalloon(GetText(145) + " 'OPN2001'", GetText(153), NIIF_INFO, true);
    } else if (std::strcmp(scene, "unsent") == 0) {
        tray.AddToTray(form, platform::kIconScannerError);
        tray.ShowBalloon(
            GetText(183),
            GetText(182, {"2", "C:\\users\\quarnel\\AppData\\Roaming\\Quarnel", GetText(133)}),
            NIIF_WARNING, true);
    } else if (std::strcmp(scene, "error") == 0) {
        tray.AddToTray(form, platform::kIconScannerOK, "Quarnel - OPN2001");
        tray.ShowBalloon(GetText(145) + " 'OPN2001'", GetText(153), NIIF_INFO, true);
        tray.UpdateBalloon(GetText(158), NIIF_ERROR);
    } else {
        std::fputs("usage: quarnel-trayshots connected|unsent|error [seconds]\n", stderr);
        return 2;
    }
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    MSG message;
    while (GetTickCount() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
