// SPDX-License-Identifier: MIT
// A top-level window that is never shown, whose messages go to a handler.
// Top-level rather than message-only: broadcasts such as TaskbarCreated and
// the end of the session reach only top-level windows.
#pragma once

#include <functional>
#include <optional>

#include "platform/Windows.h"

namespace quarnel::win32 {

class Win32Window final {
  public:
    // The handler's answer, or nothing for DefWindowProcA to answer.
    using Handler = std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)>;

    Win32Window(const char* title, Handler handler);
    ~Win32Window();
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Null when the window could not be made.
    HWND Handle() const { return handle_; }

  private:
    static LRESULT CALLBACK Procedure(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    Handler handler_;
};

// Runs the thread's messages until none is waiting; for tests and start-up.
void PumpMessages();

}  // namespace quarnel::win32
