// SPDX-License-Identifier: MIT
// Device-change messages for serial ports: WM_DEVICECHANGE with an arrival
// or removal code in wParam and, in lParam, the address of a port record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/HiddenWindow.h"
#include "platform/Windows.h"

namespace quarnel::platform {

#ifndef WM_DEVICECHANGE
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
#endif
#ifndef DBT_DEVICEARRIVAL
inline constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
#endif
#ifndef DBT_DEVICEREMOVECOMPLETE
inline constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
#endif
#ifndef DBT_DEVTYP_PORT
inline constexpr uint32_t DBT_DEVTYP_PORT = 3;
#endif

// Header: structure size, device type, reserved (4 bytes each, little-endian).
inline constexpr size_t kDeviceHeaderSize = 12;
// Header and an 8-byte port name ended by NUL.
inline constexpr size_t kPortNotificationSize = 20;

using PortNotification = std::array<uint8_t, kPortNotificationSize>;

// The record announcing port portName ("COM3"); nothing when the name does
// not fit its 8 bytes with the NUL.
inline std::optional<PortNotification> MakePortNotification(std::string_view portName) {
    if (portName.size() >= kPortNotificationSize - kDeviceHeaderSize) return std::nullopt;
    PortNotification record{};
    auto put32 = [&](size_t at, uint32_t value) {
        for (size_t i = 0; i < 4; ++i) record[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put32(0, kPortNotificationSize);
    put32(4, DBT_DEVTYP_PORT);
    for (size_t i = 0; i < portName.size(); ++i)
        record[kDeviceHeaderSize + i] = static_cast<uint8_t>(portName[i]);
    return record;
}

}  // namespace quarnel::platform
