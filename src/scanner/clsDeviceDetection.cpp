// SPDX-License-Identifier: MIT
#include "scanner/clsDeviceDetection.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ErrorInfo.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"
#include "base/modUtils.h"
#include "platform/DeviceChange.h"
#include "scanner/PortName.h"
#include "scanner/modDeviceDetection.h"
#include "settings/clsRegistry.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char* kScannerDriverPrefix = "\\Device\\Optovcm";
constexpr int64_t kMaxPort = 255;

std::string Port(uint8_t port) {
    return TraceValue(int32_t{port});
}

// The entries of the serial-port table: value name and its data as text,
// in enumeration order. Calls visit(name, data) until it answers true.
template <typename Visit>
void VisitSerialPorts(const std::shared_ptr<platform::RegistryApi>& api, Visit visit) {
    clsRegistry registry(api);
    registry.SetClassKey(HKEY_LOCAL_MACHINE);
    registry.SetSectionKey(kSerialCommKey);
    if (!registry.KeyExists()) return;
    std::vector<std::string> names;
    int32_t count = 0;
    registry.EnumerateValues(names, count);
    for (int32_t i = 0; i < count && i < static_cast<int32_t>(names.size()); ++i) {
        registry.SetValueKey(names[static_cast<size_t>(i)]);
        if (visit(names[static_cast<size_t>(i)], RegValueText(registry.Value()))) return;
    }
}

uint32_t Read32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

}  // namespace

clsDeviceDetection::clsDeviceDetection(std::shared_ptr<platform::RegistryApi> registry)
    : registry_(std::move(registry)) {
    trace::Initializing("clsDeviceDetection");
    modDeviceDetection::SetDeviceDetection(this);
}

clsDeviceDetection::~clsDeviceDetection() {
    trace::Terminating("clsDeviceDetection");
    StopScanning();
    if (modDeviceDetection::DeviceDetection() == this)
        modDeviceDetection::SetDeviceDetection(nullptr);
}

int32_t clsDeviceDetection::Device() const {
    trace::PropertyGet("clsDeviceDetection.Device", TraceValue(m_Device));
    return m_Device;
}

uint8_t clsDeviceDetection::COMPort() const {
    trace::PropertyGet("clsDeviceDetection.COMPort", Port(m_COMPort));
    return m_COMPort;
}

void clsDeviceDetection::StartScanning(platform::HiddenWindow& Form) {
    trace::Entering("clsDeviceDetection.StartScanning", TraceArgs({{"Form.Name", Form.Name()}}));
    try {
        if (m_hwnd != 0) StopScanning();
        trace::Detail("Calling API SetWindowLong");
        m_PreviousWindowProc = Form.SetWindowLongA(GWL_WNDPROC, &modDeviceDetection::WindowProc);
        window_ = &Form;
        m_hwnd = Form.Handle();
        trace::Event("Enabled device detection...");
    } catch (...) {
        trace::Error("Could not start device detection: ");
        return;
    }
    trace::Exiting("clsDeviceDetection.StartScanning");
}

void clsDeviceDetection::StopScanning() {
    if (m_hwnd == 0) return;
    try {
        trace::Entering("clsDeviceDetection.StopScanning");
        trace::Detail("Calling API SetWindowLong");
        window_->SetWindowLongA(GWL_WNDPROC, m_PreviousWindowProc);
        window_ = nullptr;
        m_hwnd = 0;
        m_PreviousWindowProc = nullptr;
    } catch (...) {
        trace::DetailError("Could not stop device detection: ");
        return;
    }
    trace::Exiting("clsDeviceDetection.StopScanning");
}

uint8_t clsDeviceDetection::GetLastKnownPort(int32_t Device) {
    if (Device == DeviceNone) return 0;
    trace::Entering("clsDeviceDetection.GetLastKnownPort",
                    TraceArgs({{"Device", TraceValue(Device)}}));
    uint8_t result = 0;
    try {
        VisitSerialPorts(registry_, [&](const std::string& name, const std::string& data) {
            // Only the scanner's entries are looked at: another device's
            // port above 255 would end the search or not depending on the
            // order in which the registry lists the entries (Wine sorts them
            // by name, Windows does not).
            if (Device != DeviceOPN2001 || !StartsWithIgnoreCase(name, kScannerDriverPrefix))
                return false;
            // An entry without a usable port does not end the search.
            if (!IsComPortName(data)) return false;
            const int64_t number = ComPortNumber(data);
            if (number <= 0) return false;
            if (number > kMaxPort) RaiseError(ErrNo::Overflow);
            result = static_cast<uint8_t>(number);
            return true;
        });
    } catch (...) {
        trace::Error("Error getting last known port: ");
        return 0;
    }
    trace::ExitingWith("clsDeviceDetection.GetLastKnownPort", Port(result));
    return result;
}

void clsDeviceDetection::SetDeviceDetected(int32_t Device, uint8_t COMPort) {
    trace::Entering("clsDeviceDetection.SetDeviceDetected",
                    TraceArgs({{"Device", TraceValue(Device)}, {"COMPort", Port(COMPort)}}));
    if (Device != DeviceNone) {
        m_Device = Device;
        m_DeviceDetected = true;
        m_COMPort = COMPort;
    }
    trace::Exiting("clsDeviceDetection.SetDeviceDetected");
}

std::string clsDeviceDetection::GetPortDriverFromRegistry(uint8_t COMPort) {
    trace::Entering("clsDeviceDetection.GetPortDriverFromRegistry",
                    TraceArgs({{"COMPort", Port(COMPort)}}));
    std::string result;
    try {
        VisitSerialPorts(registry_, [&](const std::string& name, const std::string& data) {
            if (!IsComPortName(data) || ComPortNumber(data) != COMPort) return false;
            result = name;
            return true;
        });
    } catch (...) {
        trace::DetailError("Error getting port driver name from registry for COM port " +
                           Port(COMPort) + ": ");
        return result;
    }
    trace::ExitingWith("clsDeviceDetection.GetPortDriverFromRegistry", result);
    return result;
}

void clsDeviceDetection::HandleWindowProc(platform::WPARAM wParam, platform::LPARAM lParam) {
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) return;
    trace::Entering(
        "clsDeviceDetection.HandleWindowProc",
        TraceArgs({{"wParam", std::to_string(wParam)}, {"lParam", std::to_string(lParam)}}));
    // A message without a record carries nothing to copy. The record's first
    // field is its size: nothing beyond it is read, and a record too short
    // for its header is ignored.
    const uint32_t size = lParam != 0 ? Read32(reinterpret_cast<const uint8_t*>(lParam)) : 0;
    if (size >= platform::kDeviceHeaderSize) {
        const auto* source = reinterpret_cast<const uint8_t*>(lParam);
        uint8_t header[platform::kDeviceHeaderSize];
        trace::Detail("Calling API RtlMoveMemory");
        std::memcpy(header, source, sizeof header);
        if (Read32(header + 4) == DBT_DEVTYP_PORT) {
            // Zero-filled, so that a shorter record's name ends where it does.
            std::vector<uint8_t> record(platform::kPortNotificationSize);
            trace::Detail("Calling API RtlMoveMemory");
            std::memcpy(record.data(), source, std::min<size_t>(size, record.size()));
            const std::string name =
                BytesToString(record, platform::kDeviceHeaderSize,
                              static_cast<int32_t>(platform::kPortNotificationSize) - 1);
            const int64_t number = IsComPortName(name) ? ComPortNumber(name) : 0;
            // Ports above 255 do not fit the 8-bit port and are ignored.
            if (number > 0 && number <= kMaxPort) {
                const auto port = static_cast<uint8_t>(number);
                if (m_DeviceDetected) {
                    if (wParam == DBT_DEVICEREMOVECOMPLETE && port == m_COMPort) {
                        trace::Detail("Device removed on COM port " + Port(port));
                        m_DeviceDetected = false;
                        m_Device = DeviceNone;
                        m_COMPort = 0;
                    }
                } else if (wParam == DBT_DEVICEARRIVAL) {
                    if (StartsWithIgnoreCase(GetPortDriverFromRegistry(port),
                                             kScannerDriverPrefix)) {
                        trace::Detail("Supported device arrived on COM port " + Port(port));
                        m_DeviceDetected = true;
                        m_Device = DeviceOPN2001;
                        m_COMPort = port;
                    }
                }
            }
        }
    }
    trace::Exiting("clsDeviceDetection.HandleWindowProc");
}

}  // namespace quarnel
