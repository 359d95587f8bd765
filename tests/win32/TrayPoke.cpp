// SPDX-License-Identifier: MIT
// quarnel-traypoke: does to a running quarnel.exe what the system does to
// it, for the program tests.
//   delete          the shell forgets its icon (as when Explorer crashes)
//   taskbarcreated  a new task bar announces itself to every window
//   endsession      the session ends: WM_QUERYENDSESSION, then WM_ENDSESSION
//   close           a polite request to end (WM_CLOSE), as taskkill without /f
// Exit status 0 when the step was carried out.
#include "platform/Windows.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kClass = "QuarnelShellWindow";

HWND Find(const char* title) {
    return FindWindowExA(nullptr, nullptr, kClass, title);
}

}  // namespace

int main(int argc, char** argv) {
    const char* step = argc == 2 ? argv[1] : "";
    if (std::strcmp(step, "delete") == 0) {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = Find("Quarnel tray");
        data.uID = 1;  // the first icon the program adds
        return data.hWnd && Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
    }
    if (std::strcmp(step, "taskbarcreated") == 0) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                            SMTO_ABORTIFHUNG, 5000, &answer);
        return 0;
    }
    if (std::strcmp(step, "endsession") == 0) {
        HWND window = Find("Quarnel");
        if (!window) return 1;
        DWORD_PTR agreed = 0;
        if (!SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                 10000, &agreed) ||
            !agreed) {
            std::fputs("the program refused to end the session\n", stderr);
            return 1;
        }
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                            &ignored);
        return 0;
    }
    if (std::strcmp(step, "close") == 0) {
        HWND window = Find("Quarnel");
        return window && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fputs("usage: quarnel-traypoke delete|taskbarcreated|endsession|close\n", stderr);
    return 2;
}
