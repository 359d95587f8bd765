// SPDX-License-Identifier: MIT
// Port detection: on synthesized device-change notifications and a fake
// serial-port table, and on the Linux serial-port table with port arrivals
// and removals from the virtual scanners' folder.
#include <gmock/gmock.h>
#include <poll.h>

#include <cstring>

#include "FakeRegistry.h"
#include "VirtualScannerFixture.h"
#include "backends/linux/ComPortMapping.h"
#include "backends/linux/UsbSerialPorts.h"
#include "base/modUtils.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "scanner/clsDeviceDetection.h"
#include "scanner/modDeviceDetection.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using namespace platform::linux_ports;
using Change = std::pair<platform::WPARAM, std::string>;
constexpr platform::WPARAM kIn = platform::DBT_DEVICEARRIVAL;
constexpr platform::WPARAM kOut = platform::DBT_DEVICEREMOVECOMPLETE;
const std::string kSerialComm = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// "driver=port" for each entry.
std::vector<std::string> Texts(const std::vector<platform::SerialPortEntry>& entries) {
    std::vector<std::string> texts;
    for (const auto& entry : entries) texts.push_back(entry.deviceName + "=" + entry.portName);
    return texts;
}

// A notification record of size bytes (the sanitizer build catches any read
// beyond them), with any device type and any 8 name bytes.
std::vector<uint8_t> Record(const std::string& name, uint32_t type = 3, uint32_t size = 20) {
    std::vector<uint8_t> record(20);
    record[0] = static_cast<uint8_t>(size);
    record[4] = static_cast<uint8_t>(type);
    std::memcpy(record.data() + 12, name.data(), std::min<size_t>(name.size(), 8));
    record.resize(size);
    return record;
}

class DetectionTest : public ::testing::Test {
  protected:
    DetectionTest() {
        registry_->PutText(kSerialComm, "\\Device\\Serial0", "COM1");
        registry_->PutText(kSerialComm, "\\device\\optovcm0", "COM3");
        registry_->PutText(kSerialComm, "\\Device\\Optovcm1", "COM5");
        detection_.StartScanning(*window_);
        trace_.Clear();
    }
    platform::LRESULT Send(platform::WPARAM event, const std::vector<uint8_t>& record) {
        return window_->SendMessageA(platform::WM_DEVICECHANGE, event,
                                     reinterpret_cast<platform::LPARAM>(record.data()));
    }
    static std::tuple<bool, int32_t, int> State(const clsDeviceDetection& detection) {
        return {detection.DeviceDetected(), detection.Device(), detection.COMPort()};
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
    const std::tuple<bool, int32_t, int> kNothing{false, 0, 0};
};

TEST_F(DetectionTest, NotificationsChangeTheStateAsTheTableSays) {
    // Port detected before (or 0), event, port name, device type, port
    // detected after (or 0), record size. COM3XXXX has no NUL after the name;
    // COM1 is not a scanner's port, COM9 not in the table; 7 is a
    // configuration change, type 2 a volume. A record is read only as far as
    // its size says; one too short for its header is ignored.
    // clang-format off
    const std::tuple<int, platform::WPARAM, std::string, uint32_t, int, uint32_t> cases[] = {
        {0, kIn, "COM3", 3, 3, 20},   {0, kIn, "com5", 3, 5, 20},  {0, kIn, "COM3XXXX", 3, 3, 20},
        {0, kIn, "COM1", 3, 0, 20},   {0, kIn, "COM9", 3, 0, 20},  {0, 7, "COM3", 3, 0, 20},
        {0, kIn, "COM3", 2, 0, 20},   {0, kIn, "COM", 3, 0, 20},   {0, kIn, "COM0", 3, 0, 20},
        {0, kIn, "COM259", 3, 0, 20}, {0, kIn, "LPT3", 3, 0, 20},  {0, kIn, "COM99999", 3, 0, 20},
        {0, kOut, "COM3", 3, 0, 20},  {3, kOut, "COM5", 3, 3, 20}, {3, kOut, "COM3", 3, 0, 20},
        {3, kIn, "COM5", 3, 3, 20},   {0, kIn, "\xFF\x01\x80zz\x7F\xFE\xC3", 3, 0, 20},
        {0, kIn, "COM3", 3, 0, 4},    {0, kIn, "COM3", 3, 0, 11},  {0, kIn, "COM3", 3, 0, 12},
        {0, kIn, "COM3", 3, 0, 14},   {0, kIn, "COM3", 3, 3, 16}};
    // clang-format on
    for (const auto& [before, event, name, type, after, size] : cases) {
        clsDeviceDetection detection(registry_);
        if (before != 0) detection.SetDeviceDetected(1, static_cast<uint8_t>(before));
        auto record = Record(name, type, size);
        detection.HandleWindowProc(event, reinterpret_cast<platform::LPARAM>(record.data()));
        EXPECT_EQ(State(detection), after ? std::make_tuple(true, 1, after) : kNothing)
            << name << " size " << size;
        EXPECT_EQ(modDeviceDetection::DeviceDetection(), &detection);  // the newest object
    }
    EXPECT_EQ(modDeviceDetection::DeviceDetection(), nullptr);
}

// Start and stop chain the form's own procedure, which still gets every
// message.
TEST_F(DetectionTest, WindowProcedureChain) {
    // Other messages pass unhandled; a change without a record, and a
    // detection of no device, change nothing.
    EXPECT_EQ(window_->SendMessageA(platform::WM_MOUSEMOVE, 1, 2), 42);
    EXPECT_TRUE(trace_.Messages().empty());
    EXPECT_EQ(window_->SendMessageA(platform::WM_DEVICECHANGE, kIn, 0), 42);
    detection_.SetDeviceDetected(0, 4);
    EXPECT_EQ(State(detection_), kNothing);
    trace_.Clear();
    detection_.StartScanning(*window_);  // a second start
    EXPECT_THAT(
        trace_.Messages(),
        ElementsAre("  Entering clsDeviceDetection.StartScanning (Form.Name = frmMain)",
                    "  Entering clsDeviceDetection.StopScanning", "  Calling API SetWindowLong",
                    "  Exiting clsDeviceDetection.StopScanning", "  Calling API SetWindowLong",
                    "Enabled device detection...", "  Exiting clsDeviceDetection.StartScanning"));
    trace_.Clear();
    auto record = Record("COM3");
    EXPECT_EQ(Send(kIn, record), 42);
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
    detection_.StopScanning();
    trace_.Clear();
    Send(kOut, record);
    detection_.StopScanning();  // not watching: nothing happens
    EXPECT_TRUE(trace_.Messages().empty());
    EXPECT_EQ(State(detection_), std::make_tuple(true, 1, 3));
    EXPECT_EQ(ownMessages_,
              (std::vector<platform::UINT>{platform::WM_MOUSEMOVE, platform::WM_DEVICECHANGE,
                                           platform::WM_DEVICECHANGE, platform::WM_DEVICECHANGE}));
}

TEST_F(DetectionTest, LastKnownPort) {
    EXPECT_EQ(detection_.GetLastKnownPort(0), 0);
    EXPECT_EQ(detection_.GetLastKnownPort(2), 0);
    EXPECT_EQ(detection_.GetLastKnownPort(1), 3);  // the first of two scanners
    // Another device's port above 255, listed first, does not hide the
    // scanner; the scanner's own ends the search. Scanner entries without a
    // port do not.
    registry_->PutText(kSerialComm, "\\Device\\Serial0", "COM300");
    EXPECT_EQ(detection_.GetLastKnownPort(1), 3);
    registry_->PutText(kSerialComm, "\\device\\optovcm0", "COM300");
    EXPECT_EQ(detection_.GetLastKnownPort(1), 0);
    EXPECT_TRUE(trace_.Contains("Error getting last known port: [6] Overflow (Quarnel)"));
    *registry_ = FakeRegistry();
    registry_->PutText(kSerialComm, "\\Device\\Optovcm0", "garbage");
    registry_->PutText(kSerialComm, "\\Device\\Optovcm1", "COM0");
    registry_->PutText(kSerialComm, "\\Device\\Optovcm2", "COM 12x");
    EXPECT_EQ(detection_.GetLastKnownPort(1), 12);
    // Without the table nothing is found.
    *registry_ = FakeRegistry();
    EXPECT_EQ(detection_.GetLastKnownPort(1), 0);
    Send(kIn, Record("COM3"));
    EXPECT_EQ(State(detection_), kNothing);
    EXPECT_TRUE(trace_.Contains("  Exiting clsDeviceDetection.GetPortDriverFromRegistry (=)"));
}

TEST(ComPortMappingTest, DevicePathsAndNumbers) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"/dev/ttyUSB0", 1},   {"/dev/ttyUSB31", 32}, {"/dev/ttyUSB32", {}},
        {"/dev/ttyACM0", 33},  {"/dev/ttyACM7", 40},  {"/dev/ttyS0", {}},
        {"/dev/ttyUSB", {}},   {"/dev/ttyUSB01", {}}, {"/dev/ttyUSBx", {}},
        {"/dev/ttyACM-1", {}}, {"ttyUSB0", {}},       {"/dev/ttyACM99999999", {}}};
    for (const auto& [path, number] : cases) {
        EXPECT_EQ(ComNumberForDevicePath(path), number) << path;
        // And back; number 0 has no device.
        EXPECT_EQ(DevicePathForComNumber(number.value_or(0)),
                  number ? std::optional<std::string>(path) : std::nullopt);
    }
}

TEST(UsbSerialPortsTest, NamesScannersAndOtherPorts) {
    // clang-format off
    EXPECT_THAT(Texts(NameUsbSerialPorts({
        {"/dev/ttyUSB2", "ftdi_sio", "0403", "6001"}, {"/dev/ttyACM0", "cdc_acm", "065A", "a002"},
        {"/dev/ttyUSB0", "opticon", "065a", "0009"},  {"/dev/ttyUSB1", "opticon", "065a", "0001"},
        {"/dev/ttyACM1", "cdc_acm", "2341", "0043"},  {"/dev/ttyS0", "serial", "", ""},
        {"/dev/ttyUSB3", "ftdi_sio", "0403", "6001"}})),
        ElementsAre("\\Device\\Optovcm0=COM1", "\\Device\\opticon0=COM2", "\\Device\\ftdi_sio0=COM3",
                    "\\Device\\ftdi_sio1=COM4", "\\Device\\Optovcm1=COM33", "\\Device\\cdc_acm0=COM34"));
    // clang-format on
}

TEST(PortNotificationTest, RecordLayout) {
    auto record = platform::MakePortNotification("COM7");
    ASSERT_TRUE(record);
    EXPECT_EQ(BytesToHex(std::vector<uint8_t>(record->begin(), record->end()), 0),
              "140000000300000000000000434F4D3700000000");  // size, type, reserved, name
    EXPECT_FALSE(platform::MakePortNotification("COM12345"));
    EXPECT_TRUE(platform::MakePortNotification("COM1234"));
}

TEST_F(VirtualScannerTest, FolderListsPortFilesOnly) {
    for (const char* port : {"COM12", "COM7", "COM300"}) Plug(port, "");
    for (const char* name : {"notes.txt", ".COM8.scanner.tmp12", "com9.scanner", "COMX.scanner"})
        WriteFileBytes(dir_.File(name), "");
    EXPECT_THAT(Texts(VirtualPortEntries(dir_.Path())),
                ElementsAre("\\Device\\OptovcmVirtual7=COM7", "\\Device\\OptovcmVirtual12=COM12",
                            "\\Device\\OptovcmVirtual300=COM300"));
    EXPECT_TRUE(VirtualPortEntries(dir_.File("missing")).empty());
}

// The system's serial-port table, seen through the registry, lists the
// virtual scanner; the notifications reach the detection.
TEST_F(VirtualScannerTest, PlugAndUnplugReachTheDetection) {
    std::vector<Change> received;
    auto window = platform::CreateHiddenWindow(
        "frmMain", [&](platform::HWND, platform::UINT msg, platform::WPARAM w, platform::LPARAM l) {
            if (msg == platform::WM_DEVICECHANGE && l != 0)
                received.emplace_back(w, reinterpret_cast<const char*>(l) + 12);
            return platform::LRESULT{0};
        });
    auto source = platform::OpenDeviceNotifications(*window);
    auto dispatched = [&] {  // waits until the source has something, then dispatches it
        pollfd watched{source->FileDescriptor(), POLLIN, 0};
        if (poll(&watched, 1, 5000) <= 0) return false;
        source->Dispatch();
        return true;
    };
    clsDeviceDetection detection(platform::OpenUserRegistry(platform::SystemSerialPortTable()));
    detection.StartScanning(*window);
    ASSERT_GE(source->FileDescriptor(), 0);
    source->Dispatch();  // no change yet: nothing sent
    EXPECT_TRUE(received.empty());

    ASSERT_EQ(RunVscan(dir_.Path(), "plug COM7 --battery low 8712345678906"), 0);
    ASSERT_TRUE(dispatched());
    EXPECT_EQ(detection.COMPort(), 7);
    EXPECT_EQ(detection.GetLastKnownPort(1), 7);
    ASSERT_EQ(RunVscan(dir_.Path(), "scan COM7 Q0002"), 0);  // a rewrite is no arrival
    ASSERT_TRUE(dispatched());
    ASSERT_EQ(RunVscan(dir_.Path(), "unplug COM7"), 0);
    ASSERT_TRUE(dispatched());
    EXPECT_FALSE(detection.DeviceDetected());
    // A port whose name does not fit a record is not announced.
    for (const char* port : {"COM12345678", "COM300"}) Plug(port, "");
    ASSERT_TRUE(dispatched());
    EXPECT_THAT(received,
                ElementsAre(Change{kIn, "COM7"}, Change{kOut, "COM7"}, Change{kIn, "COM300"}));
}

}  // namespace
}  // namespace quarnel::test
