// SPDX-License-Identifier: MIT
// Finds the COM port of a supported scanner: once in the serial-port table
// of the registry, and afterwards from the device-change notifications that
// reach the watched window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/HiddenWindow.h"
#include "platform/RegistryApi.h"

namespace quarnel {

inline constexpr int32_t DeviceNone = 0;
inline constexpr int32_t DeviceOPN2001 = 1;

class clsDeviceDetection {
  public:
    // registry: where HKLM\HARDWARE\DEVICEMAP\SERIALCOMM is read. The new
    // object becomes the one modDeviceDetection.WindowProc works on.
    explicit clsDeviceDetection(std::shared_ptr<platform::RegistryApi> registry);
    ~clsDeviceDetection();
    clsDeviceDetection(const clsDeviceDetection&) = delete;
    clsDeviceDetection& operator=(const clsDeviceDetection&) = delete;

    platform::HWND hwnd() const { return m_hwnd; }
    const platform::WNDPROC& PreviousWindowProc() const { return m_PreviousWindowProc; }
    bool DeviceDetected() const { return m_DeviceDetected; }
    int32_t Device() const;
    uint8_t COMPort() const;

    // Installs modDeviceDetection.WindowProc as Form's procedure. Form must
    // stay alive until StopScanning.
    void StartScanning(platform::HiddenWindow& Form);
    // Puts the previous procedure back.
    void StopScanning();

    // The port of the first table entry of the device; 0 when none.
    uint8_t GetLastKnownPort(int32_t Device);
    void SetDeviceDetected(int32_t Device, uint8_t COMPort);

    // One WM_DEVICECHANGE: wParam the event code, lParam the address of the
    // notification record (or 0).
    void HandleWindowProc(platform::WPARAM wParam, platform::LPARAM lParam);

  private:
    std::string GetPortDriverFromRegistry(uint8_t COMPort);

    std::shared_ptr<platform::RegistryApi> registry_;
    platform::HiddenWindow* window_ = nullptr;

    platform::HWND m_hwnd = 0;
    platform::WNDPROC m_PreviousWindowProc;
    bool m_DeviceDetected = false;
    int32_t m_Device = DeviceNone;
    uint8_t m_COMPort = 0;
};

}  // namespace quarnel
