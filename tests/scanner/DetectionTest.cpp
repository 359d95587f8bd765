// Port detection on synthesized device-change notifications and a fake
// serial-port table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "platform/DeviceChange.h"
#include "scanner/clsDeviceDetection.h"
#include "scanner/modDeviceDetection.h"

namespace quarnel::test {
namespace {

using platform::DBT_DEVICEARRIVAL;
using platform::DBT_DEVICEREMOVECOMPLETE;
using ::testing::ElementsAre;

const std::string kSerialComm = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// A notification record with any device type and any 8 name bytes.
platform::PortNotification Record(const std::string& name, uint32_t type = 3) {
    platform::PortNotification record{};
    record[0] = 20;
    record[4] = static_cast<uint8_t>(type);
    std::memcpy(record.data() + 12, name.data(), std::min<size_t>(name.size(), 8));
    return record;
}

class DetectionTest : public ::testing::Test {
  protected:
    DetectionTest() {
        registry_->PutText(kSerialComm, "\\Device\\Serial0", "COM1");
        registry_->PutText(kSerialComm, "\\device\\optovcm0", "COM3");
        registry_->PutText(kSerialComm, "\\Device\\Optovcm1", "COM5");
        registry_->PutText(kSerialComm, "\\Device\\ftdi_sio0", "COM6");
        detection_.StartScanning(*window_);
    }

    platform::LRESULT Send(platform::WPARAM event, const platform::PortNotification& record,
                           platform::UINT message = platform::WM_DEVICECHANGE) {
        return window_->SendMessageA(message, event,
                                     reinterpret_cast<platform::LPARAM>(record.data()));
    }

    std::tuple<bool, int32_t, int> State() const {
        return {detection_.DeviceDetected(), detection_.Device(), detection_.COMPort()};
    }

    std::shared_ptr<FakeRegistry> registry_ = std::make_shared<FakeRegistry>();
    std::vector<platform::UINT> ownMessages_;
    std::unique_ptr<platform::HiddenWindow> window_ = platform::CreateHiddenWindow(
        "frmMain", [this](platform::HWND, platform::UINT msg, platform::WPARAM, platform::LPARAM) {
            ownMessages_.push_back(msg);
            return platform::LRESULT{42};
        });
    TraceCapture trace_;
    clsDeviceDetection detection_{registry_};
};

struct NotificationCase {
    const char* name;
    std::optional<int> detectedOn;  // state before
    platform::WPARAM event;
    std::string portName;
    uint32_t type;
    std::optional<int> expected;  // state after
};

void PrintTo(const NotificationCase& c, std::ostream* os) {
    *os << c.name;
}

class NotificationTest : public DetectionTest,
                         public ::testing::WithParamInterface<NotificationCase> {};

TEST_P(NotificationTest, ChangesTheStateAsTheTableSays) {
    const NotificationCase& c = GetParam();
    if (c.detectedOn) detection_.SetDeviceDetected(1, static_cast<uint8_t>(*c.detectedOn));
    EXPECT_EQ(Send(c.event, Record(c.portName, c.type)), 42);
    EXPECT_EQ(ownMessages_, std::vector<platform::UINT>{platform::WM_DEVICECHANGE});
    if (c.expected)
        EXPECT_EQ(State(), std::make_tuple(true, 1, *c.expected));
    else
        EXPECT_EQ(State(), std::make_tuple(false, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Notifications, NotificationTest,
    ::testing::Values(
        NotificationCase{"ScannerArrives", {}, DBT_DEVICEARRIVAL, "COM3", 3, 3},
        NotificationCase{"LowerCasePortName", {}, DBT_DEVICEARRIVAL, "com5", 3, 5},
        NotificationCase{"OtherPortArrives", {}, DBT_DEVICEARRIVAL, "COM1", 3, {}},
        NotificationCase{"UnlistedPortArrives", {}, DBT_DEVICEARRIVAL, "COM9", 3, {}},
        NotificationCase{"ConfigurationChange", {}, 7, "COM3", 3, {}},
        NotificationCase{"VolumeArrives", {}, DBT_DEVICEARRIVAL, "COM3", 2, {}},
        NotificationCase{"NoDigits", {}, DBT_DEVICEARRIVAL, "COM", 3, {}},
        NotificationCase{"PortZero", {}, DBT_DEVICEARRIVAL, "COM0", 3, {}},
        NotificationCase{"AboveByte", {}, DBT_DEVICEARRIVAL, "COM259", 3, {}},
        NotificationCase{"HugeNumber", {}, DBT_DEVICEARRIVAL, "COM99999", 3, {}},
        NotificationCase{"Garbage", {}, DBT_DEVICEARRIVAL, "\xFF\x01\x80zz\x7F\xFE\xC3", 3, {}},
        NotificationCase{"NotAComPort", {}, DBT_DEVICEARRIVAL, "LPT3", 3, {}},
        NotificationCase{"NameWithoutNul", {}, DBT_DEVICEARRIVAL, "COM3XXXX", 3, 3},
        NotificationCase{"RemovalOfOtherPort", 3, DBT_DEVICEREMOVECOMPLETE, "COM5", 3, 3},
        NotificationCase{"RemovalOfScannerPort", 3, DBT_DEVICEREMOVECOMPLETE, "COM3", 3, {}},
        NotificationCase{"ArrivalWhileDetected", 3, DBT_DEVICEARRIVAL, "COM5", 3, 3},
        NotificationCase{
            "RemovalWhileNothingDetected", {}, DBT_DEVICEREMOVECOMPLETE, "COM3", 3, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DetectionTest, ArrivalWritesItsEntries) {
    trace_.Clear();
    auto record = Record("COM3");
    Send(DBT_DEVICEARRIVAL, record);
    const std::string address = std::to_string(reinterpret_cast<intptr_t>(record.data()));
    EXPECT_THAT(
        trace_.Messages(),
        ElementsAre(
            "  Entering modDeviceDetection.WindowProc (msg = 537, wParam = 32768, lParam = " +
                address + ")",
            "  Entering clsDeviceDetection.HandleWindowProc (wParam = 32768, lParam = " + address +
                ")",
            "  Calling API RtlMoveMemory", "  Calling API RtlMoveMemory",
            "  Entering clsDeviceDetection.GetPortDriverFromRegistry (COMPort = 3)",
            "  Exiting clsDeviceDetection.GetPortDriverFromRegistry (=\\device\\optovcm0)",
            "  Supported device arrived on COM port 3",
            "  Exiting clsDeviceDetection.HandleWindowProc",
            "  Exiting modDeviceDetection.WindowProc (=42)"));
}

TEST_F(DetectionTest, OtherMessagesPassWithoutHandling) {
    trace_.Clear();
    EXPECT_EQ(window_->SendMessageA(platform::WM_MOUSEMOVE, 1, 2), 42);
    EXPECT_TRUE(trace_.Messages().empty());
    EXPECT_EQ(window_->SendMessageA(platform::WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), 42);
    EXPECT_EQ(State(), std::make_tuple(false, 0, 0));
    EXPECT_EQ(ownMessages_.size(), 2u);
}

TEST_F(DetectionTest, StopRestoresTheFirstProcedureAfterTwoStarts) {
    detection_.StartScanning(*window_);
    detection_.StopScanning();
    EXPECT_EQ(detection_.hwnd(), 0);
    trace_.Clear();
    Send(DBT_DEVICEARRIVAL, Record("COM3"));
    detection_.StopScanning();  // not watching: nothing happens
    EXPECT_TRUE(trace_.Messages().empty());
    EXPECT_EQ(ownMessages_.size(), 1u);
    EXPECT_EQ(State(), std::make_tuple(false, 0, 0));
}

TEST_F(DetectionTest, StartWritesItsEntries) {
    detection_.StopScanning();
    trace_.Clear();
    detection_.StartScanning(*window_);
    EXPECT_EQ(detection_.hwnd(), window_->Handle());
    EXPECT_THAT(trace_.Messages(),
                ElementsAre("  Entering clsDeviceDetection.StartScanning (Form.Name = frmMain)",
                            "  Calling API SetWindowLong", "Enabled device detection...",
                            "  Exiting clsDeviceDetection.StartScanning"));
}

TEST_F(DetectionTest, LastKnownPort) {
    trace_.Clear();
    EXPECT_EQ(detection_.GetLastKnownPort(0), 0);
    EXPECT_TRUE(trace_.Messages().empty());
    EXPECT_EQ(detection_.GetLastKnownPort(2), 0);
    EXPECT_EQ(detection_.GetLastKnownPort(1), 3);  // the first of two scanners
    EXPECT_TRUE(trace_.Contains("  Exiting clsDeviceDetection.GetLastKnownPort (=3)"));
}

TEST_F(DetectionTest, LastKnownPortSkipsScannerEntriesWithoutPort) {
    FakeRegistry& r = *registry_;
    r = FakeRegistry();
    r.PutText(kSerialComm, "\\Device\\Optovcm0", "garbage");
    r.PutText(kSerialComm, "\\Device\\Optovcm1", "COM0");
    r.PutText(kSerialComm, "\\Device\\Optovcm2", "COM 12x");
    EXPECT_EQ(detection_.GetLastKnownPort(1), 12);
}

TEST_F(DetectionTest, LastKnownPortAbove255EndsTheSearch) {
    registry_->PutText(kSerialComm, "\\Device\\Serial0", "COM300");
    EXPECT_EQ(detection_.GetLastKnownPort(1), 0);
    EXPECT_TRUE(trace_.Contains("Error getting last known port: [6] Overflow (Quarnel)"));
}

TEST_F(DetectionTest, MissingTableFindsNothing) {
    *registry_ = FakeRegistry();
    EXPECT_EQ(detection_.GetLastKnownPort(1), 0);
    Send(DBT_DEVICEARRIVAL, Record("COM3"));
    EXPECT_EQ(State(), std::make_tuple(false, 0, 0));
    EXPECT_TRUE(trace_.Contains("  Exiting clsDeviceDetection.GetPortDriverFromRegistry (=)"));
}

TEST_F(DetectionTest, SetDeviceDetected) {
    detection_.SetDeviceDetected(0, 4);
    EXPECT_EQ(State(), std::make_tuple(false, 0, 0));
    detection_.SetDeviceDetected(1, 4);
    EXPECT_EQ(State(), std::make_tuple(true, 1, 4));
}

TEST_F(DetectionTest, NewestObjectReceivesTheMessages) {
    EXPECT_EQ(modDeviceDetection::DeviceDetection(), &detection_);
    {
        clsDeviceDetection other(registry_);
        EXPECT_EQ(modDeviceDetection::DeviceDetection(), &other);
    }
    EXPECT_EQ(modDeviceDetection::DeviceDetection(), nullptr);
}

}  // namespace
}  // namespace quarnel::test
