// SPDX-License-Identifier: MIT
#include "ui/TrayForm.h"

namespace quarnel {

std::optional<MouseMoveArgs> DecodeMouseMove(platform::UINT uMsg, platform::WPARAM wParam,
                                             platform::LPARAM lParam) {
    if (uMsg != platform::WM_MOUSEMOVE) return std::nullopt;
    MouseMoveArgs args;
    if (wParam & platform::MK_LBUTTON) args.Button |= vbLeftButton;
    if (wParam & platform::MK_RBUTTON) args.Button |= vbRightButton;
    if (wParam & platform::MK_MBUTTON) args.Button |= vbMiddleButton;
    if (wParam & platform::MK_SHIFT) args.Shift |= vbShiftMask;
    if (wParam & platform::MK_CONTROL) args.Shift |= vbCtrlMask;
    if (wParam & platform::MK_ALT) args.Shift |= vbAltMask;
    // Signed words, as positions left of or above the window are negative.
    const auto bits = static_cast<uintptr_t>(lParam);
    args.X = static_cast<int16_t>(bits & 0xFFFF);
    args.Y = static_cast<int16_t>((bits >> 16) & 0xFFFF);
    return args;
}

}  // namespace quarnel
