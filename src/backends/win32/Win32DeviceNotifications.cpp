// SPDX-License-Identifier: MIT
// Arrivals and removals of COM ports for a hidden window. The window asks the
// system for the COM-port device interfaces (RegisterDeviceNotificationA),
// since Windows broadcasts its port records only to top-level windows; each
// interface change is turned into the port record the program reads, with
// the port's name from the device's registry key. The changes come through
// the thread's message loop, so there is no descriptor to watch; Dispatch
// delivers what waits for this window, for loops that call it.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceNotifications.h"
#include "platform/Windows.h"

#include <dbt.h>
#include <setupapi.h>

#include "backends/win32/Win32Windows.h"

namespace quarnel::platform {
namespace {

using win32::InterfaceChange;

// GUID_DEVINTERFACE_COMPORT.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

class DeviceInfoSet {
  public:
    explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~DeviceInfoSet() {
        if (Valid()) ::SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    bool Valid() const { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO Get() const { return set_; }

  private:
    HDEVINFO set_;
};

// The "PortName" of a device's hardware key ("COM3").
std::optional<std::string> PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key =
        ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return std::nullopt;
    char name[32] = {};
    DWORD length = sizeof name - 1;
    DWORD type = 0;
    LONG status =
        ::RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &length);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::string port(name, std::min<size_t>(length, sizeof name - 1));
    if (auto nul = port.find('\0'); nul != std::string::npos) port.resize(nul);
    return port.empty() ? std::nullopt : std::optional(port);
}

// The device behind one interface of a set, and the interface's path.
bool DeviceOfInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                       SP_DEVINFO_DATA& device, std::string* path) {
    device = {};
    device.cbSize = sizeof device;
    DWORD needed = 0;
    ::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
    std::vector<uint8_t> buffer(needed);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, needed, nullptr, &device))
        return false;
    if (path != nullptr) *path = detail->DevicePath;
    return true;
}

std::optional<std::string> SystemPortOfInterface(const std::string& path) {
    DeviceInfoSet set(::SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!set.Valid()) return std::nullopt;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!::SetupDiOpenDeviceInterfaceA(set.Get(), path.c_str(), 0, &interfaceData))
        return std::nullopt;
    SP_DEVINFO_DATA device{};
    if (!DeviceOfInterface(set.Get(), interfaceData, device, nullptr)) return std::nullopt;
    return PortNameOf(set.Get(), device);
}

// Interface paths compare without regard to case.
std::string PathKey(std::string path) {
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return path;
}

// The COM-port interfaces present now, by path, with their ports.
std::map<std::string, std::string> PresentPorts() {
    std::map<std::string, std::string> ports;
    DeviceInfoSet set(::SetupDiGetClassDevsA(&kComPortInterface, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set.Valid()) return ports;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0; ::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kComPortInterface,
                                                        index, &interfaceData);
         ++index) {
        SP_DEVINFO_DATA device{};
        std::string path;
        if (!DeviceOfInterface(set.Get(), interfaceData, device, &path)) continue;
        if (auto port = PortNameOf(set.Get(), device)) ports[path] = *port;
    }
    return ports;
}

class Win32DeviceNotifications final : public DeviceNotificationSource {
  public:
    Win32DeviceNotifications(HiddenWindow& window, win32::PortOfInterface portOf,
                             const std::map<std::string, std::string>& present)
        : window_(window),
          native_(win32::NativeHandle(window.Handle())),
          portOf_(std::move(portOf)) {
        for (const auto& [path, port] : present) ports_[PathKey(path)] = port;
        win32::SetInterfaceHandler(
            window, [this](WPARAM event, const InterfaceChange& change) { Change(event, change); });
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kComPortInterface;
        registration_ =
            ::RegisterDeviceNotificationA(native_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        ::SetPropA(native_, win32::kPortChangesProperty, reinterpret_cast<HANDLE>(1));
    }
    ~Win32DeviceNotifications() override {
        ::RemovePropA(native_, win32::kPortChangesProperty);
        if (registration_ != nullptr) ::UnregisterDeviceNotification(registration_);
        win32::SetInterfaceHandler(window_, {});
    }
    Win32DeviceNotifications(const Win32DeviceNotifications&) = delete;
    Win32DeviceNotifications& operator=(const Win32DeviceNotifications&) = delete;

    int FileDescriptor() const override { return -1; }

    void Dispatch() override {
        MSG msg;
        while (::PeekMessageA(&msg, native_, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

  private:
    void Change(WPARAM event, const InterfaceChange& change) {
        if (change.classGuid != kComPortInterface) return;
        const std::string key = PathKey(change.path);
        std::optional<std::string> port;
        if (event == DBT_DEVICEARRIVAL) {
            port = portOf_(change.path);
            if (port) ports_[key] = *port;
        } else if (auto known = ports_.find(key); known != ports_.end()) {
            port = known->second;
            ports_.erase(known);
        } else {
            port = portOf_(change.path);
        }
        if (!port) return;
        if (auto record = MakePortNotification(*port))
            window_.SendMessageA(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record->data()));
    }

    HiddenWindow& window_;
    ::HWND native_;
    win32::PortOfInterface portOf_;
    HDEVNOTIFY registration_ = nullptr;
    std::map<std::string, std::string> ports_;  // the ports of the interfaces seen, by path key
};

}  // namespace

std::unique_ptr<DeviceNotificationSource> win32::OpenDeviceNotifications(
    HiddenWindow& window, PortOfInterface portOf, std::map<std::string, std::string> present) {
    return std::make_unique<Win32DeviceNotifications>(window, std::move(portOf), present);
}

std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(HiddenWindow& window) {
    return win32::OpenDeviceNotifications(window, SystemPortOfInterface, PresentPorts());
}

}  // namespace quarnel::platform
