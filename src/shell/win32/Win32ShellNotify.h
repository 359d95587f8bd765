// SPDX-License-Identifier: MIT
// The notification area of Windows, driven by the program's icon record.
// Each record is copied field by field into the system's NOTIFYICONDATAA
// and handed to Shell_NotifyIconA for a hidden window of our own; what the
// shell reports about the icon is passed on to the record's window as the
// seam describes: WM_MOUSEMOVE, the notification number in lParam, the
// Shift, Ctrl and Alt keys in wParam.
//
// NIM_ADD succeeds as soon as the record is held, even while the shell has
// no task bar (early in a session, or after Explorer has crashed): the icon
// is added again whenever the task bar announces itself (TaskbarCreated).
#pragma once

#include "platform/Windows.h"

#include <shellapi.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/ShellNotify.h"
#include "shell/win32/Win32Window.h"

namespace quarnel::win32 {

// The message the shell sends to our window about an icon.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;

// The record as the system takes it, for the icon `shellId` of `window`.
NOTIFYICONDATAA ToNotifyIconData(const platform::NotifyIconRecord& record, HWND window,
                                 UINT shellId);

// The keys held now, as MK_SHIFT, MK_CONTROL and MK_ALT.
WPARAM KeyState();

class Win32ShellNotify final : public platform::ShellNotifyApi {
  public:
    using ShellFunction = std::function<BOOL(DWORD, NOTIFYICONDATAA*)>;

    Win32ShellNotify();
    // shell: the system's Shell_NotifyIconA, or a stand-in that records.
    explicit Win32ShellNotify(ShellFunction shell);
    ~Win32ShellNotify() override;
    Win32ShellNotify(const Win32ShellNotify&) = delete;
    Win32ShellNotify& operator=(const Win32ShellNotify&) = delete;

    bool Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) override;

    // The window the shell's notifications come to.
    HWND Window() const { return window_.Handle(); }
    // The id the shell knows the held icon of window and id by.
    std::optional<UINT> ShellId(platform::HWND window, uint32_t id) const;

  private:
    struct Icon {
        platform::NotifyIconRecord record;
        UINT shellId = 0;
        bool docked = false;  // the shell took it
    };

    std::optional<LRESULT> HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    Icon* Find(const platform::NotifyIconRecord& data);
    // Adds the held icon to the shell; true when the shell took it.
    bool Dock(Icon& icon);
    BOOL CallShell(DWORD message, const platform::NotifyIconRecord& record, UINT shellId);
    void Notify(UINT shellId, LPARAM lParam);

    ShellFunction shell_;
    std::vector<Icon> icons_;
    UINT nextShellId_ = 1;
    UINT taskbarCreated_ = 0;
    int inShell_ = 0;
    Win32Window window_;
};

}  // namespace quarnel::win32
