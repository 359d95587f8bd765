// SPDX-License-Identifier: MIT
#include "scanner/modDeviceDetection.h"

#include "base/TraceLog.h"
#include "platform/DeviceChange.h"
#include "scanner/clsDeviceDetection.h"

namespace quarnel::modDeviceDetection {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

clsDeviceDetection* g_deviceDetection = nullptr;

std::string Number(uintptr_t value) {
    return std::to_string(value);
}
std::string Number(intptr_t value) {
    return std::to_string(value);
}

}  // namespace

clsDeviceDetection* DeviceDetection() {
    return g_deviceDetection;
}

void SetDeviceDetection(clsDeviceDetection* detection) {
    g_deviceDetection = detection;
}

platform::LRESULT WindowProc(platform::HWND hWnd, platform::UINT uMsg, platform::WPARAM wParam,
                             platform::LPARAM lParam) {
    const bool traced = uMsg != WM_MOUSEMOVE;
    if (traced) {
        trace::Entering("modDeviceDetection.WindowProc",
                        TraceArgs({{"msg", TraceValue(uint32_t{uMsg})},
                                   {"wParam", Number(wParam)},
                                   {"lParam", Number(lParam)}}));
    }
    clsDeviceDetection* detection = g_deviceDetection;
    platform::LRESULT result = 0;
    if (detection != nullptr) {
        if (uMsg == WM_DEVICECHANGE && hWnd == detection->hwnd())
            detection->HandleWindowProc(wParam, lParam);
        // A copy: handling the message may stop the detection.
        platform::WNDPROC previous = detection->PreviousWindowProc();
        result = platform::CallWindowProcA(previous, hWnd, uMsg, wParam, lParam);
    }
    if (traced) trace::ExitingWith("modDeviceDetection.WindowProc", Number(result));
    return result;
}

}  // namespace quarnel::modDeviceDetection
