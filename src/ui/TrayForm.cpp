// SPDX-License-Identifier: MIT
#include "ui/TrayForm.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

std::optional<MouseMoveArgs> DecodeMouseMove(platform::UINT uMsg, platform::WPARAM wParam,
                                             platform::LPARAM lParam) {
    if (uMsg != WM_MOUSEMOVE) return std::nullopt;
    MouseMoveArgs args;
    if (wParam & MK_LBUTTON) args.Button |= vbLeftButton;
    if (wParam & MK_RBUTTON) args.Button |= vbRightButton;
    if (wParam & MK_MBUTTON) args.Button |= vbMiddleButton;
    if (wParam & MK_SHIFT) args.Shift |= vbShiftMask;
    if (wParam & MK_CONTROL) args.Shift |= vbCtrlMask;
    if (wParam & MK_ALT) args.Shift |= vbAltMask;
    // Signed words, as positions left of or above the window are negative.
    const auto bits = static_cast<uintptr_t>(lParam);
    args.X = static_cast<int16_t>(bits & 0xFFFF);
    args.Y = static_cast<int16_t>((bits >> 16) & 0xFFFF);
    return args;
}

}  // namespace quarnel
