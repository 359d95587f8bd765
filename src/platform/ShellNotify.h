// SPDX-License-Identifier: MIT
// The notification area of the desktop, with the record and operations of
// the Windows shell's Shell_NotifyIconA. Notifications about the icon come
// back to the record's window as its callback message (WM_MOUSEMOVE), with
// the notification number in the low word of lParam (the X position) and
// the keyboard state in wParam.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/HiddenWindow.h"
#include "platform/Windows.h"

namespace quarnel::platform {

// An icon is named by a number: the program's icon resources.
using HICON = int32_t;
inline constexpr HICON kIconNone = 0;
inline constexpr HICON kIconApplication = 1;   // the program's own icon
inline constexpr HICON kIconScannerOK = 2;     // a connected scanner
inline constexpr HICON kIconScannerError = 3;  // no scanner

#ifndef NIM_ADD
inline constexpr uint32_t NIM_ADD = 0;
#endif
#ifndef NIM_MODIFY
inline constexpr uint32_t NIM_MODIFY = 1;
#endif
#ifndef NIM_DELETE
inline constexpr uint32_t NIM_DELETE = 2;
#endif
#ifndef NIM_SETVERSION
inline constexpr uint32_t NIM_SETVERSION = 4;
#endif

#ifndef NIF_MESSAGE
inline constexpr uint32_t NIF_MESSAGE = 0x01;
#endif
#ifndef NIF_ICON
inline constexpr uint32_t NIF_ICON = 0x02;
#endif
#ifndef NIF_TIP
inline constexpr uint32_t NIF_TIP = 0x04;
#endif
#ifndef NIF_INFO
inline constexpr uint32_t NIF_INFO = 0x10;
#endif

#ifndef NIIF_NONE
inline constexpr uint32_t NIIF_NONE = 0;
#endif
#ifndef NIIF_INFO
inline constexpr uint32_t NIIF_INFO = 1;
#endif
#ifndef NIIF_WARNING
inline constexpr uint32_t NIIF_WARNING = 2;
#endif
#ifndef NIIF_ERROR
inline constexpr uint32_t NIIF_ERROR = 3;
#endif
#ifndef NIIF_NOSOUND
inline constexpr uint32_t NIIF_NOSOUND = 0x10;
#endif

#ifndef NOTIFYICON_VERSION
inline constexpr uint32_t NOTIFYICON_VERSION = 3;
#endif

// Balloon notifications, sent as the callback message like mouse messages.
#ifndef NIN_BALLOONSHOW
inline constexpr uint32_t NIN_BALLOONSHOW = 0x402;
#endif
#ifndef NIN_BALLOONHIDE
inline constexpr uint32_t NIN_BALLOONHIDE = 0x403;
#endif
#ifndef NIN_BALLOONTIMEOUT
inline constexpr uint32_t NIN_BALLOONTIMEOUT = 0x404;
#endif
#ifndef NIN_BALLOONUSERCLICK
inline constexpr uint32_t NIN_BALLOONUSERCLICK = 0x405;
#endif

#ifndef WM_LBUTTONUP
inline constexpr uint32_t WM_LBUTTONUP = 0x202;
#endif
#ifndef WM_LBUTTONDBLCLK
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x203;
#endif
#ifndef WM_RBUTTONUP
inline constexpr uint32_t WM_RBUTTONUP = 0x205;
#endif

// Keyboard state in wParam of a mouse message. Windows reports Alt through
// GetKeyState; the desktop layer adds it here as MK_ALT.
#ifndef MK_LBUTTON
inline constexpr WPARAM MK_LBUTTON = 0x01;
#endif
#ifndef MK_RBUTTON
inline constexpr WPARAM MK_RBUTTON = 0x02;
#endif
#ifndef MK_SHIFT
inline constexpr WPARAM MK_SHIFT = 0x04;
#endif
#ifndef MK_CONTROL
inline constexpr WPARAM MK_CONTROL = 0x08;
#endif
#ifndef MK_MBUTTON
inline constexpr WPARAM MK_MBUTTON = 0x10;
#endif
#ifndef MK_ALT
inline constexpr WPARAM MK_ALT = 0x20;
#endif

// The ANSI record with balloon fields and without the GUID: 488 bytes on
// Windows. Texts are Windows-1252 bytes ended by NUL.
struct NotifyIconRecord {
    uint32_t cbSize = 0;
    HWND hWnd = 0;
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    HICON hIcon = 0;
    std::array<char, 128> szTip{};
    uint32_t dwState = 0;
    uint32_t dwStateMask = 0;
    std::array<char, 256> szInfo{};
    uint32_t uTimeoutOrVersion = 0;  // uTimeout, or uVersion for NIM_SETVERSION
    std::array<char, 64> szInfoTitle{};
    uint32_t dwInfoFlags = 0;
};

inline constexpr uint32_t kNotifyIconDataSize = 488;

class ShellNotifyApi {
  public:
    virtual ~ShellNotifyApi() = default;
    // True when the shell carried the operation out.
    virtual bool Shell_NotifyIconA(uint32_t message, const NotifyIconRecord& data) = 0;
};

}  // namespace quarnel::platform
