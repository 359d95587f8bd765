// SPDX-License-Identifier: MIT
// Device information, library version, parameters and clock of the OPN-2001.
// These operations never end early on a failure to call the library: they
// report failure (false or an empty text) instead.
#include <array>

#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modUtils.h"
#include "scanner/ScannerTime.h"
#include "scanner/clsOPN2001.h"

namespace quarnel {
namespace {

constexpr int32_t kDllVersionSize = 20;
constexpr int32_t kDllVersionFailed = 2;

}  // namespace

std::string DeviceInfoText(const DeviceInfoValue& value) {
    if (const int32_t* number = std::get_if<int32_t>(&value)) return TraceValue(*number);
    if (const std::string* text = std::get_if<std::string>(&value)) return *text;
    return "";
}

bool clsOPN2001::TryCallApi(std::string_view name, const std::function<int32_t()>& call,
                            std::string* errorText) {
    trace::CallingApi(name);
    bool made = true;
    try {
        m_lngResult = call();
    } catch (...) {
        made = false;
        if (errorText != nullptr) *errorText = ErrorText();
    }
    trace::ApiResult(name, TraceValue(m_lngResult));
    return made;
}

DeviceInfoValue clsOPN2001::GetDeviceInfo(int32_t Info) const {
    trace::Entering("clsOPN2001.GetDeviceInfo", TraceArgs({{"Info", TraceValue(Info)}}));
    DeviceInfoValue value;
    switch (Info) {
        case DeviceInfoProtocol:
            value = m_lngProtocol;
            break;
        case DeviceInfoSystemStatus:
            value = m_lngSystemStatus;
            break;
        case DeviceInfoSWVersion:
            value = m_strSWVersion;
            break;
        case DeviceInfoDeviceID:
            value = m_strDeviceID;
            break;
        default:
            break;
    }
    trace::ExitingWith("clsOPN2001.GetDeviceInfo", DeviceInfoText(value));
    return value;
}

std::string clsOPN2001::GetDLLVersion() {
    trace::Entering("clsOPN2001.GetDLLVersion");
    std::string result;
    std::vector<uint8_t> buffer(kDllVersionSize, 0);
    std::string error;
    bool made = TryCallApi(
        "csp2GetDLLVersion",
        [&] { return library_->csp2GetDllVersion(buffer.data(), kDllVersionSize); }, &error);
    if (made && m_lngResult >= 0 && m_lngResult != kDllVersionFailed)
        result = BytesToString(buffer, 0);
    if (!made) trace::Detail("Error getting OPN-2001 DLL Version: " + error);
    trace::ExitingWith("clsOPN2001.GetDLLVersion", result);
    return result;
}

bool clsOPN2001::SetDefaults() {
    trace::Entering("clsOPN2001.SetDefaults");
    bool made = TryCallApi("csp2SetDefaults", [&] { return library_->csp2SetDefaults(); });
    trace::Exiting("clsOPN2001.SetDefaults");
    return made && m_lngResult == 0;
}

bool clsOPN2001::GetParam(int32_t ParamID, uint8_t& Value) {
    trace::Entering("clsOPN2001.GetParam", TraceArgs({{"ParamID", TraceValue(ParamID)}}));
    Value = 0;
    uint8_t buffer = 0;
    bool made =
        TryCallApi("csp2GetParam", [&] { return library_->csp2GetParam(ParamID, &buffer, 1); });
    bool result = made && m_lngResult == 0;
    if (result) Value = buffer;
    trace::ExitingWith("clsOPN2001.GetParam",
                       TraceValue(result) + ", Value = " + TraceValue(int32_t{Value}));
    return result;
}

bool clsOPN2001::SetParam(int32_t ParamID, uint8_t Value) {
    trace::Entering("clsOPN2001.SetParam", TraceArgs({{"ParamID", TraceValue(ParamID)},
                                                      {"Value", TraceValue(int32_t{Value})}}));
    uint8_t buffer = Value;
    bool made =
        TryCallApi("csp2SetParam", [&] { return library_->csp2SetParam(ParamID, &buffer, 1); });
    bool result = made && m_lngResult == 0;
    trace::ExitingWith("clsOPN2001.SetParam", TraceValue(result));
    return result;
}

bool clsOPN2001::GetDateTime(DateTime& value) {
    trace::Entering("clsOPN2001.GetDateTime");
    ClockBytes clock{};
    bool made = TryCallApi("csp2GetTime", [&] { return library_->csp2GetTime(clock.data()); });
    bool result = false;
    if (made && m_lngResult == 0) {
        if (auto read = FromClockBytes(clock)) {
            value = *read;
            result = true;
        }
    }
    trace::ExitingWith("clsOPN2001.GetDateTime",
                       TraceValue(result) + ", DateTime = " + TraceValue(value));
    return result;
}

bool clsOPN2001::SetDateTime(const DateTime& value) {
    trace::Entering("clsOPN2001.SetDateTime", TraceArgs({{"DateTime", TraceValue(value)}}));
    bool result = false;
    // A year the clock's year byte cannot hold is not sent at all.
    if (auto clock = ToClockBytes(value)) {
        bool made = TryCallApi("csp2SetTime", [&] { return library_->csp2SetTime(clock->data()); });
        result = made && m_lngResult == 0;
    }
    trace::ExitingWith("clsOPN2001.SetDateTime", TraceValue(result));
    return result;
}

}  // namespace quarnel
