// SPDX-License-Identifier: MIT
// How Linux serial devices are numbered as COM ports: /dev/ttyUSB<n> is
// COM(n+1) for n below 32, /dev/ttyACM<n> is COM(n+33). Header-only, so that
// scanner libraries open the same device for a number as the program lists.
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace quarnel::platform::linux_ports {

inline constexpr std::string_view kUsbPrefix = "/dev/ttyUSB";
inline constexpr std::string_view kAcmPrefix = "/dev/ttyACM";
inline constexpr int kUsbFirstCom = 1;
inline constexpr int kAcmFirstCom = 33;  // ttyUSB0..31 take COM1..32

namespace detail {
inline std::optional<int> DeviceIndex(std::string_view path, std::string_view prefix) {
    if (path.substr(0, prefix.size()) != prefix) return std::nullopt;
    std::string_view digits = path.substr(prefix.size());
    if (digits.empty() || digits.size() > 6 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    int index = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return index;
}
}  // namespace detail

// The COM number of a device node; nothing for a node that has none
// (legacy /dev/ttyS*, /dev/ttyUSB32 and above, anything else).
inline std::optional<int> ComNumberForDevicePath(std::string_view path) {
    if (auto usb = detail::DeviceIndex(path, kUsbPrefix)) {
        if (*usb + kUsbFirstCom >= kAcmFirstCom) return std::nullopt;
        return *usb + kUsbFirstCom;
    }
    if (auto acm = detail::DeviceIndex(path, kAcmPrefix)) return *acm + kAcmFirstCom;
    return std::nullopt;
}

// The device node of a COM number; nothing below COM1.
inline std::optional<std::string> DevicePathForComNumber(int number) {
    if (number < kUsbFirstCom) return std::nullopt;
    if (number < kAcmFirstCom)
        return std::string(kUsbPrefix) + std::to_string(number - kUsbFirstCom);
    return std::string(kAcmPrefix) + std::to_string(number - kAcmFirstCom);
}

}  // namespace quarnel::platform::linux_ports
