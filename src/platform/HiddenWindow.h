// SPDX-License-Identifier: MIT
// A window that is never shown and exists to receive messages. Its window
// procedure can be replaced the way SetWindowLongA with GWL_WNDPROC does; a
// replacement passes messages on with CallWindowProcA.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Windows.h"

namespace quarnel::platform {

using HWND = int32_t;
#ifdef _WIN32
using ::LPARAM;
using ::LRESULT;
using ::UINT;
using ::WPARAM;
#else
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;  // may carry the address of a message's record
using LRESULT = intptr_t;
#endif
using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

#ifndef GWL_WNDPROC
inline constexpr int32_t GWL_WNDPROC = -4;
#endif
#ifndef WM_MOUSEMOVE
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
#endif

// The procedure of a window that handles nothing itself: answers 0.
LRESULT DefWindowProcA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Calls previous with the message; an empty procedure answers 0.
LRESULT CallWindowProcA(const WNDPROC& previous, HWND hWnd, UINT uMsg, WPARAM wParam,
                        LPARAM lParam);

class HiddenWindow {
  public:
    virtual ~HiddenWindow() = default;

    // Non-zero and unique among the process's windows.
    virtual HWND Handle() const = 0;
    virtual const std::string& Name() const = 0;

    // With GWL_WNDPROC: installs procedure and returns the one it replaces.
    // Any other index, or an empty procedure, raises error 5.
    virtual WNDPROC SetWindowLongA(int32_t index, WNDPROC procedure) = 0;

    // Runs the current procedure on the message and returns its answer.
    virtual LRESULT SendMessageA(UINT uMsg, WPARAM wParam, LPARAM lParam) = 0;
};

// The live window with that handle, or null; how notifications that name
// a window by handle (the tray icon's) reach it.
HiddenWindow* WindowFromHandle(HWND hWnd);

// A window whose own procedure is `procedure`.
std::unique_ptr<HiddenWindow> CreateHiddenWindow(std::string name,
                                                 WNDPROC procedure = DefWindowProcA);

}  // namespace quarnel::platform
