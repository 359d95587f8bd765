// SPDX-License-Identifier: MIT
#include "FakeShell.h"

#include <cstring>

#include "base/Ansi.h"

namespace quarnel::test {

using namespace platform;

bool FakeShell::Shell_NotifyIconA(uint32_t message, const NotifyIconRecord& data) {
    calls.push_back({message, data});
    return refused.count(message) == 0 && Apply(message, data);
}

bool FakeShell::Apply(uint32_t message, const NotifyIconRecord& data) {
    const auto key = std::pair(data.hWnd, data.uID);
    auto icon = icons_.find(key);
    switch (message) {
        case NIM_ADD:
            if (icon != icons_.end()) return false;
            icon = icons_.emplace(key, NotifyIconRecord{.hWnd = data.hWnd, .uID = data.uID}).first;
            break;
        case NIM_MODIFY:
            if (icon == icons_.end()) return false;
            break;
        case NIM_DELETE:
            return icons_.erase(key) > 0;
        case NIM_SETVERSION:
            if (icon == icons_.end()) return false;
            icon->second.uTimeoutOrVersion = data.uTimeoutOrVersion;
            return true;
        default:
            return false;
    }
    // The fields the flags name replace the icon's; the others stay.
    NotifyIconRecord& held = icon->second;
    if (data.uFlags & NIF_MESSAGE) held.uCallbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) held.hIcon = data.hIcon;
    if (data.uFlags & NIF_TIP) held.szTip = data.szTip;
    if (data.uFlags & NIF_INFO) {
        held.szInfo = data.szInfo;
        held.szInfoTitle = data.szInfoTitle;
        held.dwInfoFlags = data.dwInfoFlags;
        held.uTimeoutOrVersion = data.uTimeoutOrVersion;
    }
    return true;
}

const NotifyIconRecord* FakeShell::Icon(HWND window, uint32_t id) const {
    auto icon = icons_.find(std::pair(window, id));
    return icon == icons_.end() ? nullptr : &icon->second;
}

std::string FakeShell::TextOf(const char* field, size_t size) {
    return AnsiToUtf8(std::string(field, strnlen(field, size)));
}

std::vector<std::string> FakeShell::Balloons() const {
    std::vector<std::string> balloons;
    for (const Call& call : calls) {
        if (call.message != NIM_MODIFY || call.data.uFlags != NIF_INFO) continue;
        balloons.push_back(Text(call.data.szInfoTitle) + "|" + Text(call.data.szInfo) + "|" +
                           std::to_string(call.data.dwInfoFlags));
    }
    return balloons;
}

}  // namespace quarnel::test
