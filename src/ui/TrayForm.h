// SPDX-License-Identifier: MIT
// The window a tray icon belongs to: its handle and own icon, and the
// mouse-move events it reports. The shell sends the icon's notifications to
// that window as mouse moves, with the notification number as X.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/HiddenWindow.h"
#include "platform/ShellNotify.h"

namespace quarnel {

// Mouse buttons of a MouseMove event, summed.
inline constexpr int16_t vbLeftButton = 1;
inline constexpr int16_t vbRightButton = 2;
inline constexpr int16_t vbMiddleButton = 4;
// Keys of a MouseMove event, summed.
inline constexpr int16_t vbShiftMask = 1;
inline constexpr int16_t vbCtrlMask = 2;
inline constexpr int16_t vbAltMask = 4;

struct MouseMoveArgs {
    int16_t Button = 0;
    int16_t Shift = 0;
    float X = 0;
    float Y = 0;
};

// A WM_MOUSEMOVE as the window reports it: X from the low word of lParam,
// Y from the high word, buttons and keys from wParam. Nothing for any other
// message.
std::optional<MouseMoveArgs> DecodeMouseMove(platform::UINT uMsg, platform::WPARAM wParam,
                                             platform::LPARAM lParam);

class TrayForm {
  public:
    using MouseMoveHandler = std::function<void(const MouseMoveArgs&)>;

    virtual ~TrayForm() = default;
    virtual platform::HWND hWnd() const = 0;
    // The icon the tray shows when it is given none.
    virtual platform::HICON Icon() const = 0;
    // Replaces the one receiver of mouse moves; an empty handler stops them.
    virtual void SetMouseMoveHandler(MouseMoveHandler handler) = 0;
};

}  // namespace quarnel
