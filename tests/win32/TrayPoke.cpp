// SPDX-License-Identifier: MIT
// quarnel-traypoke: does to a running quarnel.exe what the system does to
// it, for the program tests.
//   delete          the shell forgets its icon (as when Explorer crashes)
//   taskbarcreated  a new task bar announces itself to every window
//   endsession      the session ends: WM_QUERYENDSESSION, then WM_ENDSESSION
//   close           a polite request to end (WM_CLOSE), as taskkill without /f
//   field TITLE LABEL
//                   prints the screen position ("x y") of the middle of the
//                   text box beside the label that starts with LABEL, in the
//                   window titled TITLE, for a test to click and type into
// Exit status 0 when the step was carried out.
#include "platform/Windows.h"

#include <shellapi.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kClass = "QuarnelShellWindow";

HWND Find(const char* title) {
    return FindWindowExA(nullptr, nullptr, kClass, title);
}

struct Field {
    const char* label;
    RECT labelRect{};
    bool found = false;
    RECT box{};
    LONG distance = LONG_MAX;
};

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The label first, then the edit box whose top is nearest to the label's.
int FieldPosition(const char* title, const char* label) {
    HWND dialog = FindWindowA(nullptr, title);
    if (!dialog) return 1;
    Field field{label};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            auto& f = *reinterpret_cast<Field*>(data);
            char text[128] = {};
            GetWindowTextA(child, text, sizeof text);
            if (ClassOf(child) == "Static" &&
                std::strncmp(text, f.label, std::strlen(f.label)) == 0) {
                GetWindowRect(child, &f.labelRect);
                f.found = true;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&field));
    if (!field.found) return 1;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            auto& f = *reinterpret_cast<Field*>(data);
            RECT rect{};
            if (ClassOf(child) != "Edit" || !GetWindowRect(child, &rect)) return TRUE;
            if (rect.left < f.labelRect.left) return TRUE;
            const LONG distance = rect.top > f.labelRect.top ? rect.top - f.labelRect.top
                                                             : f.labelRect.top - rect.top;
            if (distance < f.distance) {
                f.distance = distance;
                f.box = rect;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&field));
    if (field.distance == LONG_MAX) return 1;
    std::printf("%ld %ld\n", (field.box.left + field.box.right) / 2,
                (field.box.top + field.box.bottom) / 2);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "field") == 0) return FieldPosition(argv[2], argv[3]);
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
    std::fputs("usage: quarnel-traypoke delete|taskbarcreated|endsession|close|field TITLE LABEL\n",
               stderr);
    return 2;
}
