// SPDX-License-Identifier: MIT
// A hidden window that records the notification numbers and key states the
// tray backend sends it as mouse moves, and the icon records aimed at it.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/HiddenWindow.h"
#include "platform/ShellNotify.h"

namespace quarnel::test {

template <size_t N>
void SetField(std::array<char, N>& field, const std::string& text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

struct Receiver {
    std::vector<uint32_t> numbers;
    std::vector<platform::WPARAM> keys;
    std::unique_ptr<platform::HiddenWindow> window = platform::CreateHiddenWindow(
        "receiver",
        [this](platform::HWND, platform::UINT msg, platform::WPARAM w, platform::LPARAM l) {
            if (msg == platform::WM_MOUSEMOVE) {
                numbers.push_back(static_cast<uint32_t>(l & 0xFFFF));
                keys.push_back(w);
            }
            return platform::LRESULT{0};
        });

    platform::NotifyIconRecord Record() const {
        platform::NotifyIconRecord data{
            .hWnd = window->Handle(),
            .uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP,
            .uCallbackMessage = platform::WM_MOUSEMOVE,
            .hIcon = platform::kIconScannerError};
        SetField(data.szTip, "Quarnel");
        return data;
    }
    platform::NotifyIconRecord Balloon(const std::string& title, const std::string& text,
                                       uint32_t flags = platform::NIIF_INFO) const {
        platform::NotifyIconRecord data = Record();
        data.uFlags = platform::NIF_INFO;
        SetField(data.szInfoTitle, title);
        SetField(data.szInfo, text);
        data.dwInfoFlags = flags;
        return data;
    }
};

}  // namespace quarnel::test
