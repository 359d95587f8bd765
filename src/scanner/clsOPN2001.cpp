// SPDX-License-Identifier: MIT
// Connection and barcode read-out of the OPN-2001.
#include "scanner/clsOPN2001.h"

#include <algorithm>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modUtils.h"
#include "scanner/ScannerTime.h"

namespace quarnel {
namespace {

constexpr const char* kDeviceName = "OPN-2001";
constexpr int32_t kPacketSize = 50;
constexpr int32_t kCodeTypeSize = 20;
constexpr int32_t kSwVersionSize = 9;
constexpr int32_t kDeviceIdSize = 8;
// Barcode loops count with a signed 16-bit integer.
constexpr int32_t kMaxPackets = 32767;

std::string ClearArgs(bool clear) {
    return TraceArgs({{"Clear", TraceValue(clear)}});
}

}  // namespace

clsOPN2001::clsOPN2001(std::shared_ptr<platform::ScannerLibrary> library)
    : library_(std::move(library)) {
    trace::Initializing("clsOPN2001");
}

clsOPN2001::~clsOPN2001() {
    trace::Terminating("clsOPN2001");
    if (m_blnConnected) {
        try {
            Disconnect();
        } catch (...) {
            trace::Error("Error disconnecting from " + std::string(kDeviceName) + ": ");
        }
    }
}

std::shared_ptr<clsReadSession> clsOPN2001::ReadSession() const {
    if (!m_objReadSession) RaiseError(ErrNo::ObjectNotSet);
    trace::PropertyGet("clsOPN2001.ReadSession", TraceValue(m_objReadSession->SessionDate()));
    return m_objReadSession;
}

bool clsOPN2001::Connected() const {
    trace::PropertyGet("clsOPN2001.Connected", TraceValue(m_blnConnected));
    return m_blnConnected;
}

std::string clsOPN2001::DeviceName() const {
    trace::PropertyGet("clsOPN2001.DeviceName", kDeviceName);
    return kDeviceName;
}

void clsOPN2001::SetBarcodesReadHandler(BarcodesReadHandler handler) {
    barcodesRead_ = std::move(handler);
}

void clsOPN2001::SetSafekeepingHandler(SafekeepingHandler handler) {
    safekeeping_ = std::move(handler);
}

void clsOPN2001::CallApi(std::string_view name, const std::function<int32_t()>& call) {
    trace::CallingApi(name);
    m_lngResult = call();
    if (ExtendedLogging()) trace::ApiResult(name, TraceValue(m_lngResult));
}

bool clsOPN2001::Connect(uint8_t COMPort) {
    const std::string port = TraceValue(int32_t{COMPort});
    trace::Entering("clsOPN2001.Connect", TraceArgs({{"COMPort", port}}));
    trace::Event("Connecting to " + std::string(kDeviceName) + " on COM port " + port + "...");
    try {
        if (!m_blnConnected) {
            CallApi("csp2InitEx", [&] { return library_->csp2InitEx(COMPort); });
            m_blnConnected = m_lngResult == 0;
            if (m_blnConnected) ReadDeviceInfo();
        }
    } catch (...) {
        trace::Error("Error trying to connect to " + std::string(kDeviceName) + " on COM port " +
                     port + ": ");
        return false;
    }
    trace::ExitingWith("clsOPN2001.Connect", TraceValue(m_blnConnected));
    return m_blnConnected;
}

void clsOPN2001::ReadDeviceInfo() {
    trace::Entering("clsOPN2001.ReadDeviceInfo");
    m_lngProtocol = 0;
    m_lngSystemStatus = 0;
    m_strSWVersion.clear();
    m_strDeviceID.clear();
    try {
        if (m_blnConnected) {
            CallApi("csp2Interrogate", [&] { return library_->csp2Interrogate(); });
            if (m_lngResult == 0) {
                CallApi("csp2GetProtocol", [&] { return library_->csp2GetProtocol(); });
                if (m_lngResult >= 0) m_lngProtocol = m_lngResult;

                CallApi("csp2GetSystemStatus", [&] { return library_->csp2GetSystemStatus(); });
                if (m_lngResult >= 0) m_lngSystemStatus = m_lngResult;

                std::vector<uint8_t> version(kSwVersionSize, 0);
                CallApi("csp2GetSwVersion",
                        [&] { return library_->csp2GetSwVersion(version.data(), kSwVersionSize); });
                // The last byte written is the terminator; fewer than two
                // bytes hold no text.
                if (m_lngResult >= 2) m_strSWVersion = BytesToString(version, 0, m_lngResult - 2);

                std::vector<uint8_t> id(kDeviceIdSize, 0);
                CallApi("csp2GetDeviceId",
                        [&] { return library_->csp2GetDeviceId(id.data(), kDeviceIdSize); });
                if (m_lngResult >= 0) m_strDeviceID = BytesToHex(id, 0);
            }
        }
    } catch (...) {
        trace::Error("Error reading device information for " + std::string(kDeviceName) + ": ");
        return;
    }
    trace::Exiting("clsOPN2001.ReadDeviceInfo");
}

bool clsOPN2001::Disconnect() {
    trace::Entering("clsOPN2001.Disconnect");
    trace::Detail("Disconnecting " + std::string(kDeviceName));
    bool result = false;
    if (m_blnConnected) {
        m_lngResult = library_->csp2Restore();
        m_blnConnected = false;
        result = true;
    }
    trace::ExitingWith("clsOPN2001.Disconnect", TraceValue(result));
    return result;
}

int32_t clsOPN2001::ReadBarcodes(bool Clear) {
    trace::Entering("clsOPN2001.ReadBarcodes", ClearArgs(Clear));
    int32_t result = 0;
    if (m_blnConnected) {
        CallApi("csp2DataAvailable", [&] { return library_->csp2DataAvailable(); });
        if (m_lngResult > 0) result = ReadData(Clear);
    }
    trace::ExitingWith("clsOPN2001.ReadBarcodes", TraceValue(result));
    return result;
}

int32_t clsOPN2001::ReadData(bool Clear) {
    trace::Entering("clsOPN2001.ReadData", ClearArgs(Clear));
    int32_t result = 0;
    m_lngUnread = 0;
    m_blnClearFailed = false;
    try {
        m_objReadSession = std::make_shared<clsReadSession>();
        m_objReadSession->SetDeviceID(m_strDeviceID);

        trace::CallingApi("csp2ReadData");
        const int32_t count = library_->csp2ReadData();
        trace::ApiResult("csp2ReadData", TraceValue(count));
        if (count > kMaxPackets) RaiseError(ErrNo::Overflow);
        // A failed transfer is a failed read-out, not an empty scanner.
        if (count < 0) RaiseError(ErrNo::DeviceIOError);

        if (count > 0) {
            int32_t unread = 0;
            std::vector<uint8_t> packet(kPacketSize, 0);
            // Each barcode's time stamp is set from its packet; asking the
            // clock once spares asking it for each of them first.
            const DateTime readTime = DateTime::Now();
            for (int32_t i = 0; i < count; ++i) {
                // Entries are built only when they are written: a read-out may
                // hold 32,767 packets.
                const bool traced = ExtendedLogging();
                if (traced) trace::CallingApi("csp2GetPacket (lngBarcode = " + TraceValue(i) + ")");
                const int32_t got = library_->csp2GetPacket(packet.data(), i, kPacketSize);
                if (traced) trace::ApiResult("csp2GetPacket", TraceValue(got));
                if (got >= 0) {
                    if (traced) trace::Detail("Barcode data (hex) = " + BytesToHex(packet, 0));
                    const int32_t length = packet[0];
                    auto barcode = std::make_shared<clsBarcode>(readTime);
                    barcode->SetBarcode(GetBarcode(packet, length));
                    barcode->SetSymbology(GetSymbology(packet[1]));
                    barcode->SetTimeStamp(GetTimeStamp(packet, length));
                    m_objReadSession->AddBarcode(barcode);
                } else {
                    ++unread;
                }
                std::fill(packet.begin(), packet.end(), 0);
            }
            result = m_objReadSession->CountBarcodes();
            // A refused packet is refused at every read: keeping the scanner
            // uncleared for it would only bring the readable ones back.
            m_lngUnread = unread;
            if (unread > 0) {
                trace::Event(TraceValue(unread) + " of " + TraceValue(count) +
                             " barcode packet(s) could not be read");
            }
            if (Clear) {
                // Copies: the handlers may start another read-out or release
                // this object while they run.
                SafekeepingHandler safekeeping = safekeeping_;
                std::shared_ptr<clsReadSession> session = m_objReadSession;
                if (safekeeping && !safekeeping(session)) {
                    trace::Event("The scanner's data is not cleared: its barcodes are not safe");
                    trace::ExitingWith("clsOPN2001.ReadData", TraceValue(result));
                    return result;
                }
                trace::Detail("Calling API csp2ClearData");
                const int32_t cleared = library_->csp2ClearData();
                if (cleared != 0) {
                    m_blnClearFailed = true;
                    trace::Event("The scanner's data could not be cleared (csp2ClearData = " +
                                 TraceValue(cleared) + ")");
                }
            }
        }
        trace::RaisingEvent("BarcodesRead");
        BarcodesReadHandler handler = barcodesRead_;
        std::shared_ptr<clsReadSession> session = m_objReadSession;
        if (handler) handler(session);
    } catch (...) {
        trace::Error("Error while reading scanned data: ");
        return -1;
    }
    trace::ExitingWith("clsOPN2001.ReadData", TraceValue(result));
    return result;
}

std::string clsOPN2001::GetBarcode(const std::vector<uint8_t>& packet, int32_t length) const {
    // Data runs from byte 2 to the byte before the time stamp; a length
    // below 6 leaves no data (and must not read as "up to the end").
    const int32_t last = length - 4;
    if (last < 2) return "";
    return BytesToString(packet, 2, last);
}

DateTime clsOPN2001::GetTimeStamp(const std::vector<uint8_t>& packet, int32_t length) const {
    auto at = [&](int32_t position) {
        if (position < 0 || position >= static_cast<int32_t>(packet.size()))
            RaiseError(ErrNo::SubscriptOutOfRange);
        return packet[static_cast<size_t>(position)];
    };
    if (auto stamp = DecodeTimeStamp(at(length - 3), at(length - 2), at(length - 1), at(length)))
        return *stamp;
    return m_objReadSession ? m_objReadSession->SessionDate() : DateTime::Now();
}

std::string clsOPN2001::GetSymbology(int32_t CodeID) {
    if (ExtendedLogging()) {
        trace::Entering("clsOPN2001.GetSymbology", TraceArgs({{"CodeID", TraceValue(CodeID)}}));
    }
    std::vector<uint8_t> name(kCodeTypeSize, ' ');
    CallApi("csp2GetCodeType",
            [&] { return library_->csp2GetCodeType(CodeID, name.data(), kCodeTypeSize); });
    std::string symbology;
    if (m_lngResult >= 0) {
        auto end = std::find(name.begin(), name.end(), uint8_t{0});
        symbology = AnsiToUtf8(std::string(name.begin(), end));
    } else {
        symbology = TraceValue(CodeID);
    }
    trace::ExitingWith("clsOPN2001.GetSymbology", symbology);
    return symbology;
}

}  // namespace quarnel
