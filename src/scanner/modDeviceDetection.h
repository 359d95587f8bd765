// SPDX-License-Identifier: MIT
// The replacement window procedure of device detection and the detection
// object it reports to.
#pragma once

#include "platform/HiddenWindow.h"

namespace quarnel {

class clsDeviceDetection;

namespace modDeviceDetection {

// The detection object created last; null when there is none.
clsDeviceDetection* DeviceDetection();
// Kept up to date by clsDeviceDetection's constructor and destructor.
void SetDeviceDetection(clsDeviceDetection* detection);

// Hands WM_DEVICECHANGE of the watched window to the detection object, then
// passes every message on to the previous procedure.
platform::LRESULT WindowProc(platform::HWND hWnd, platform::UINT uMsg, platform::WPARAM wParam,
                             platform::LPARAM lParam);

}  // namespace modDeviceDetection
}  // namespace quarnel
