// SPDX-License-Identifier: MIT
// What the Windows backend's hidden windows share with its device
// notifications and with the virtual scanner tool: the window class, the mark
// of windows that take port changes, the conversion of handles, and the
// checked reading of device-change records that come from other processes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/HiddenWindow.h"
#include "platform/Windows.h"

namespace quarnel::platform::win32 {

// The class of every hidden window; all of them are message-only windows.
inline constexpr const char* kHiddenWindowClass = "QuarnelHiddenWindow";
// A window property set on the windows that listen for port changes. Windows
// does not broadcast to message-only windows, so a tool that announces ports
// looks for windows of the class above that carry it.
inline constexpr const char* kPortChangesProperty = "QuarnelPortChanges";

// Window handles are 32-bit values even on 64-bit Windows, which widens them
// with their sign.
inline ::HWND NativeHandle(HWND handle) {
    return reinterpret_cast<::HWND>(static_cast<intptr_t>(handle));
}
inline HWND SeamHandle(::HWND handle) {
    return static_cast<HWND>(reinterpret_cast<intptr_t>(handle));
}

// HWND_MESSAGE, the parent of message-only windows; the macro's cast would
// name the seam's HWND inside this namespace.
inline ::HWND MessageOnlyParent() {
    return NativeHandle(-3);
}

#ifndef DBT_DEVTYP_DEVICEINTERFACE
inline constexpr uint32_t DBT_DEVTYP_DEVICEINTERFACE = 5;
#endif

// A device interface that arrived or left: its class and its path.
struct InterfaceChange {
    GUID classGuid;
    std::string path;
};
// A record that cannot be read safely: it goes no further.
struct Unreadable {};
// A whole header of another device type: passed on unchanged.
struct OtherDevice {};

using DeviceChangeRecord = std::variant<Unreadable, OtherDevice, PortNotification, InterfaceChange>;

// Reads the record of a device arrival or removal at `record`, whose only
// bound is its own size field (the system copies that many bytes between
// processes). A port record becomes the program's 20-byte record; a name
// that is not ended within the size, or does not fit 8 bytes, is unreadable.
DeviceChangeRecord ReadDeviceChange(const void* record);

// Receives the device-interface changes that reach a hidden window; an empty
// handler stops them. Set by the device notifications, on the user-interface
// thread.
using InterfaceHandler = std::function<void(WPARAM event, const InterfaceChange& change)>;
void SetInterfaceHandler(HiddenWindow& window, InterfaceHandler handler);

// The port name ("COM3") of the device behind a COM-port interface path;
// nothing when the system does not know it.
using PortOfInterface = std::function<std::optional<std::string>(const std::string& path)>;

// The device notifications with the system's parts given: how ports of
// interfaces are found, and the interfaces present at the start, each with
// its port. A removal names the port its arrival had, since the device may
// be gone by then.
std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(
    HiddenWindow& window, PortOfInterface portOf, std::map<std::string, std::string> present);

}  // namespace quarnel::platform::win32
