// SPDX-License-Identifier: MIT
#include "shell/win32/Win32ShellNotify.h"

#include <algorithm>
#include <cstring>

#include "shell/win32/Win32Icons.h"

namespace quarnel::win32 {
namespace {

template <size_t N, size_t M>
void CopyField(char (&target)[N], const std::array<char, M>& source) {
    static_assert(N == M, "the record's text fields have the system's sizes");
    std::memcpy(target, source.data(), N);
    target[N - 1] = '\0';  // a field filled to its end still ends
}

// The version whose notifications carry the icon's id in wParam and the
// mouse or balloon message in lParam; the only one the seam speaks.
constexpr UINT kShellVersion = NOTIFYICON_VERSION;

}  // namespace

NOTIFYICONDATAA ToNotifyIconData(const platform::NotifyIconRecord& record, HWND window,
                                 UINT shellId) {
    NOTIFYICONDATAA data{};
    // The record is the size without the GUID field; a shorter record has no
    // balloon fields, and the system's older size says so.
    data.cbSize = record.cbSize >= platform::kNotifyIconDataSize ? NOTIFYICONDATAA_V2_SIZE
                                                                 : NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = shellId;
    data.uFlags = record.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    // Our window gets the notifications under a message of its own; the
    // record's window gets them as the callback message it asked for.
    data.uCallbackMessage = kTrayCallbackMessage;
    if (record.uFlags & NIF_ICON) data.hIcon = LoadProgramIcon(record.hIcon);
    CopyField(data.szTip, record.szTip);
    data.dwState = record.dwState;
    data.dwStateMask = record.dwStateMask;
    CopyField(data.szInfo, record.szInfo);
    data.uTimeout = record.uTimeoutOrVersion;
    CopyField(data.szInfoTitle, record.szInfoTitle);
    data.dwInfoFlags = record.dwInfoFlags;
    return data;
}

WPARAM KeyState() {
    using namespace platform;  // MK_ALT, which <windows.h> lacks
    WPARAM state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) state |= MK_CONTROL;
    if (GetKeyState(VK_MENU) < 0) state |= MK_ALT;
    return state;
}

Win32ShellNotify::Win32ShellNotify() : Win32ShellNotify(&::Shell_NotifyIconA) {}

Win32ShellNotify::Win32ShellNotify(ShellFunction shell)
    : shell_(std::move(shell)),
      taskbarCreated_(RegisterWindowMessageA("TaskbarCreated")),
      window_("Quarnel tray", [this](UINT uMsg, WPARAM wParam, LPARAM lParam) {
          return HandleMessage(uMsg, wParam, lParam);
      }) {}

Win32ShellNotify::~Win32ShellNotify() {
    for (Icon& icon : icons_) {
        if (icon.docked) CallShell(NIM_DELETE, icon.record, icon.shellId);
    }
}

bool Win32ShellNotify::Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) {
    Icon* icon = Find(data);
    switch (message) {
        case NIM_ADD: {
            if (icon) return false;
            icons_.push_back(Icon{data, nextShellId_++, false});
            Dock(icons_.back());
            return true;
        }
        case NIM_MODIFY: {
            if (!icon) return false;
            platform::NotifyIconRecord& held = icon->record;
            if (data.uFlags & NIF_ICON) held.hIcon = data.hIcon;
            if (data.uFlags & NIF_TIP) held.szTip = data.szTip;
            if (data.uFlags & NIF_MESSAGE) held.uCallbackMessage = data.uCallbackMessage;
            // A task bar that was missing when the icon was added may be
            // there now.
            const bool wasDocked = icon->docked;
            if (!wasDocked && !Dock(*icon)) return true;
            if (wasDocked || (data.uFlags & NIF_INFO)) CallShell(NIM_MODIFY, data, icon->shellId);
            return true;
        }
        case NIM_DELETE: {
            if (!icon) return false;
            if (icon->docked) CallShell(NIM_DELETE, icon->record, icon->shellId);
            icons_.erase(icons_.begin() + (icon - icons_.data()));
            return true;
        }
        case NIM_SETVERSION:
            return icon != nullptr;
        default:
            return false;
    }
}

std::optional<UINT> Win32ShellNotify::ShellId(platform::HWND window, uint32_t id) const {
    for (const Icon& icon : icons_) {
        if (icon.record.hWnd == window && icon.record.uID == id) return icon.shellId;
    }
    return std::nullopt;
}

// The shell knows an icon by its window and id.
Win32ShellNotify::Icon* Win32ShellNotify::Find(const platform::NotifyIconRecord& data) {
    for (Icon& icon : icons_) {
        if (icon.record.hWnd == data.hWnd && icon.record.uID == data.uID) return &icon;
    }
    return nullptr;
}

bool Win32ShellNotify::Dock(Icon& icon) {
    // Added with picture, tip and messages only: a balloon shown before is over.
    platform::NotifyIconRecord add = icon.record;
    add.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.docked = CallShell(NIM_ADD, add, icon.shellId) != FALSE;
    // A shell that still has the icon (a TaskbarCreated not sent by a new
    // task bar) refuses the add; the icon is there all the same.
    if (!icon.docked) icon.docked = CallShell(NIM_MODIFY, add, icon.shellId) != FALSE;
    if (icon.docked) {
        platform::NotifyIconRecord version = icon.record;
        version.uFlags = 0;
        version.uTimeoutOrVersion = kShellVersion;
        CallShell(NIM_SETVERSION, version, icon.shellId);
    }
    return icon.docked;
}

BOOL Win32ShellNotify::CallShell(DWORD message, const platform::NotifyIconRecord& record,
                                 UINT shellId) {
    NOTIFYICONDATAA data = ToNotifyIconData(record, window_.Handle(), shellId);
    ++inShell_;
    const BOOL answer = shell_ ? shell_(message, &data) : FALSE;
    --inShell_;
    return answer;
}

std::optional<LRESULT> Win32ShellNotify::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kTrayCallbackMessage) {
        if (inShell_ > 0) {
            // Sent while our own call to the shell waits: handled once it has
            // returned, so that the program never sees it inside that call.
            PostMessageA(window_.Handle(), uMsg, wParam, lParam);
        } else {
            Notify(static_cast<UINT>(wParam), lParam);
        }
        return 0;
    }
    if (taskbarCreated_ != 0 && uMsg == taskbarCreated_) {
        // A new task bar knows none of our icons.
        for (Icon& icon : icons_) Dock(icon);
        return 0;
    }
    return std::nullopt;
}

void Win32ShellNotify::Notify(UINT shellId, LPARAM lParam) {
    const auto found = std::find_if(icons_.begin(), icons_.end(), [shellId](const Icon& icon) {
        return icon.shellId == shellId;
    });
    if (found == icons_.end()) return;
    const UINT number = static_cast<UINT>(lParam) & 0xFFFF;
    // Mouse messages carry the keys; balloon messages carry none.
    const WPARAM keys = number >= WM_MOUSEFIRST && number <= WM_MOUSELAST ? KeyState() : 0;
    const platform::HWND target = found->record.hWnd;
    const UINT callback = found->record.uCallbackMessage;
    if (platform::HiddenWindow* window = platform::WindowFromHandle(target))
        window->SendMessageA(callback, keys, static_cast<LPARAM>(number));
}

}  // namespace quarnel::win32
