// SPDX-License-Identifier: MIT
#include "shell/win32/Win32Window.h"

namespace quarnel::win32 {
namespace {

// Apart from the backend's hidden windows (QuarnelHiddenWindow), whose
// procedure is its own.
constexpr const char* kClassName = "QuarnelShellWindow";

ATOM RegisterClassOnce(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExA(&windowClass);
    }();
    return atom;
}

}  // namespace

Win32Window::Win32Window(const char* title, Handler handler) : handler_(std::move(handler)) {
    if (RegisterClassOnce(&Win32Window::Procedure) == 0) return;
    // WS_POPUP without WS_VISIBLE: never on screen, never in the task bar.
    handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, title, WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleA(nullptr), this);
}

Win32Window::~Win32Window() {
    if (handle_) {
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

LRESULT CALLBACK Win32Window::Procedure(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (window && window->handler_) {
        // A copy: the handler may replace itself or end the window's owner.
        Handler handler = window->handler_;
        if (std::optional<LRESULT> answer = handler(uMsg, wParam, lParam)) return *answer;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the loop that owns the program.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace quarnel::win32
