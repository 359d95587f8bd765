// SPDX-License-Identifier: MIT
// The driver object for one OPN-2001 memory barcode scanner on a COM port,
// reached through the scanner library. A read-out fills a new read session
// and hands it to the BarcodesRead handler before returning.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/DateTime.h"
#include "model/clsReadSession.h"
#include "platform/ScannerLibrary.h"

namespace quarnel {

// Info codes of GetDeviceInfo.
inline constexpr int32_t DeviceInfoProtocol = 0;
inline constexpr int32_t DeviceInfoSystemStatus = 1;
inline constexpr int32_t DeviceInfoSWVersion = 2;
inline constexpr int32_t DeviceInfoDeviceID = 3;

// A number, a text, or nothing for an unknown info code.
using DeviceInfoValue = std::variant<std::monostate, int32_t, std::string>;
std::string DeviceInfoText(const DeviceInfoValue& value);

class clsOPN2001 {
  public:
    using BarcodesReadHandler = std::function<void(const std::shared_ptr<clsReadSession>&)>;

    explicit clsOPN2001(std::shared_ptr<platform::ScannerLibrary> library);
    ~clsOPN2001();
    clsOPN2001(const clsOPN2001&) = delete;
    clsOPN2001& operator=(const clsOPN2001&) = delete;

    // The session of the last read-out; raises 91 before the first one.
    std::shared_ptr<clsReadSession> ReadSession() const;
    bool Connected() const;
    std::string DeviceName() const;

    bool Connect(uint8_t COMPort);
    bool Disconnect();
    // The number of barcodes read; 0 when nothing was read, -1 on failure.
    int32_t ReadBarcodes(bool Clear);

    // The BarcodesRead event: called once at the end of a successful
    // read-out, inside ReadBarcodes.
    void SetBarcodesReadHandler(BarcodesReadHandler handler);
    // Called with the filled session before the scanner is cleared; the
    // scanner is cleared, and BarcodesRead raised, only when it answers true.
    using SafekeepingHandler = std::function<bool(const std::shared_ptr<clsReadSession>&)>;
    void SetSafekeepingHandler(SafekeepingHandler handler);
    // Of the last read-out: the packets the library refused, and whether
    // clearing the scanner failed.
    int32_t UnreadBarcodes() const { return m_lngUnread; }
    bool ClearFailed() const { return m_blnClearFailed; }

    // What was read at connection time, by the DeviceInfo codes above.
    DeviceInfoValue GetDeviceInfo(int32_t Info) const;
    // The library's version text; empty on failure.
    std::string GetDLLVersion();
    bool SetDefaults();
    bool GetParam(int32_t ParamID, uint8_t& Value);
    bool SetParam(int32_t ParamID, uint8_t Value);
    // Leaves value unchanged on failure.
    bool GetDateTime(DateTime& value);
    bool SetDateTime(const DateTime& value);

  private:
    void ReadDeviceInfo();
    int32_t ReadData(bool Clear);
    std::string GetBarcode(const std::vector<uint8_t>& packet, int32_t length) const;
    DateTime GetTimeStamp(const std::vector<uint8_t>& packet, int32_t length) const;
    std::string GetSymbology(int32_t CodeID);

    // A library call framed by its entries, its result kept in m_lngResult.
    // Failures to call pass to the caller.
    void CallApi(std::string_view name, const std::function<int32_t()>& call);
    // The same for the settings operations, where a failure to call does not
    // end the operation: answers whether the call could be made; the result
    // entry then repeats the previous result. errorText receives the failure.
    bool TryCallApi(std::string_view name, const std::function<int32_t()>& call,
                    std::string* errorText = nullptr);

    std::shared_ptr<platform::ScannerLibrary> library_;
    BarcodesReadHandler barcodesRead_;
    SafekeepingHandler safekeeping_;

    int32_t m_lngResult = 0;
    std::shared_ptr<clsReadSession> m_objReadSession;
    bool m_blnConnected = false;
    int32_t m_lngUnread = 0;
    bool m_blnClearFailed = false;
    int32_t m_lngProtocol = 0;
    int32_t m_lngSystemStatus = 0;
    std::string m_strSWVersion;
    std::string m_strDeviceID;
};

}  // namespace quarnel
