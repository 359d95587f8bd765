// The Linux serial-port table, the registry's SERIALCOMM view of it, and
// port arrivals and removals from the virtual scanners' folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>

#include "TestSupport.h"
#include "app/modUtils.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/RegistryApi.h"
#include "platform/linux/ComPortMapping.h"
#include "platform/linux/UsbSerialPorts.h"
#include "platform/linux/VirtualPorts.h"
#include "scanner/clsDeviceDetection.h"
#include "settings/clsRegistry.h"

namespace quarnel::platform {
static bool operator==(const SerialPortEntry& a, const SerialPortEntry& b) {
    return a.deviceName == b.deviceName && a.portName == b.portName;
}
}  // namespace quarnel::platform

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using namespace platform::linux_ports;
using Change = std::pair<platform::WPARAM, std::string>;

TEST(ComPortMappingTest, DevicePathsAndNumbers) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"/dev/ttyUSB0", 1},   {"/dev/ttyUSB31", 32}, {"/dev/ttyUSB32", {}},
        {"/dev/ttyACM0", 33},  {"/dev/ttyACM7", 40},  {"/dev/ttyS0", {}},
        {"/dev/ttyUSB", {}},   {"/dev/ttyUSB01", {}}, {"/dev/ttyUSBx", {}},
        {"/dev/ttyACM-1", {}}, {"ttyUSB0", {}},       {"/dev/ttyACM99999999", {}}};
    for (const auto& [path, number] : cases) {
        EXPECT_EQ(ComNumberForDevicePath(path), number) << path;
        if (number) {
            EXPECT_EQ(DevicePathForComNumber(*number), path);
        }
    }
    EXPECT_EQ(DevicePathForComNumber(0), std::nullopt);
}

TEST(UsbSerialPortsTest, NamesScannersAndOtherPorts) {
    auto entries = NameUsbSerialPorts({
        {"/dev/ttyUSB2", "ftdi_sio", "0403", "6001"},
        {"/dev/ttyACM0", "cdc_acm", "065A", "a002"},
        {"/dev/ttyUSB0", "opticon", "065a", "0009"},
        {"/dev/ttyUSB1", "opticon", "065a", "0001"},
        {"/dev/ttyACM1", "cdc_acm", "2341", "0043"},
        {"/dev/ttyS0", "serial", "", ""},
        {"/dev/ttyUSB3", "ftdi_sio", "0403", "6001"},
    });
    EXPECT_THAT(entries, ElementsAre(platform::SerialPortEntry{"\\Device\\Optovcm0", "COM1"},
                                     platform::SerialPortEntry{"\\Device\\opticon0", "COM2"},
                                     platform::SerialPortEntry{"\\Device\\ftdi_sio0", "COM3"},
                                     platform::SerialPortEntry{"\\Device\\ftdi_sio1", "COM4"},
                                     platform::SerialPortEntry{"\\Device\\Optovcm1", "COM33"},
                                     platform::SerialPortEntry{"\\Device\\cdc_acm0", "COM34"}));
}

TEST(UsbSerialPortsTest, MachineEnumerationGivesWellFormedEntries) {
    for (const auto& entry : NameUsbSerialPorts(EnumerateUsbSerialPorts())) {
        EXPECT_EQ(entry.deviceName.rfind("\\Device\\", 0), 0u);
        EXPECT_EQ(entry.portName.rfind("COM", 0), 0u);
    }
}

class VirtualFolderTest : public ::testing::Test {
  protected:
    void Plug(const std::string& port) { WriteFileBytes(File(port), ""); }
    std::string File(const std::string& port) const {
        return platform::virtual_ports::FileOfPort(dir_.Path(), port);
    }
    // Runs quarnel-vscan on the test's folder; its exit status.
    int Vscan(const std::string& arguments) const {
        const char* tool = std::getenv("QUARNEL_VSCAN");
        if (tool == nullptr) ADD_FAILURE() << "QUARNEL_VSCAN is not set";
        std::string command = std::string(tool ? tool : "false") + " --dir '" + dir_.Path() + "' " +
                              arguments + " >/dev/null 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir dir_;
    ScopedEnv env_{platform::virtual_ports::kFolderVariable, dir_.Path()};
    TraceCapture trace_;
};

TEST_F(VirtualFolderTest, ListsPortFilesOnly) {
    Plug("COM12");
    Plug("COM7");
    Plug("COM300");
    WriteFileBytes(dir_.File("notes.txt"), "");
    WriteFileBytes(dir_.File(".COM8.scanner.tmp12"), "");
    WriteFileBytes(dir_.File("com9.scanner"), "");
    WriteFileBytes(dir_.File("COMX.scanner"), "");
    EXPECT_THAT(VirtualPortEntries(dir_.Path()),
                ElementsAre(platform::SerialPortEntry{"\\Device\\OptovcmVirtual7", "COM7"},
                            platform::SerialPortEntry{"\\Device\\OptovcmVirtual12", "COM12"},
                            platform::SerialPortEntry{"\\Device\\OptovcmVirtual300", "COM300"}));
    EXPECT_TRUE(VirtualPortEntries(dir_.File("missing")).empty());
}

TEST_F(VirtualFolderTest, SerialCommViewListsAVirtualScanner) {
    ASSERT_EQ(Vscan("plug COM7 8712345678906"), 0);
    auto registry = platform::OpenUserRegistry(platform::SystemSerialPortTable());
    clsRegistry view(registry);
    view.SetClassKey(platform::HKEY_LOCAL_MACHINE);
    view.SetSectionKey("HARDWARE\\DEVICEMAP\\SERIALCOMM");
    ASSERT_TRUE(view.KeyExists());
    std::vector<std::string> names;
    int32_t count = 0;
    view.EnumerateValues(names, count);
    ASSERT_THAT(names, ::testing::Contains("\\Device\\OptovcmVirtual7"));
    view.SetValueKey("\\Device\\OptovcmVirtual7");
    EXPECT_EQ(RegValueText(view.Value()), "COM7");

    clsDeviceDetection detection(registry);
    EXPECT_EQ(detection.GetLastKnownPort(1), 7);
}

TEST_F(VirtualFolderTest, PortAbove255InTheTableIsAnError) {
    Plug("COM300");
    clsDeviceDetection detection(platform::OpenUserRegistry(platform::SystemSerialPortTable()));
    EXPECT_EQ(detection.GetLastKnownPort(1), 0);
    EXPECT_TRUE(trace_.Contains("Error getting last known port: [6] Overflow (Quarnel)"));
}

class NotificationSourceTest : public VirtualFolderTest {
  protected:
    // Waits until the source has something, then dispatches it.
    bool DispatchWithin(int milliseconds) {
        pollfd watched{source_->FileDescriptor(), POLLIN, 0};
        if (poll(&watched, 1, milliseconds) <= 0) return false;
        source_->Dispatch();
        return true;
    }

    std::vector<Change> received_;
    std::unique_ptr<platform::HiddenWindow> window_ = platform::CreateHiddenWindow(
        "frmMain",
        [this](platform::HWND, platform::UINT msg, platform::WPARAM w, platform::LPARAM l) {
            if (msg == platform::WM_DEVICECHANGE && l != 0)
                received_.emplace_back(w, reinterpret_cast<const char*>(l) + 12);
            return platform::LRESULT{0};
        });
    std::unique_ptr<platform::DeviceNotificationSource> source_ =
        platform::OpenDeviceNotifications(*window_);
};

TEST_F(NotificationSourceTest, PlugAndUnplugReachTheDetection) {
    clsDeviceDetection detection(platform::OpenUserRegistry(platform::SystemSerialPortTable()));
    detection.StartScanning(*window_);
    ASSERT_GE(source_->FileDescriptor(), 0);

    ASSERT_EQ(Vscan("plug COM7 --battery low 8712345678906"), 0);
    ASSERT_TRUE(DispatchWithin(5000));
    EXPECT_TRUE(detection.DeviceDetected());
    EXPECT_EQ(detection.COMPort(), 7);

    ASSERT_EQ(Vscan("scan COM7 Q0002"), 0);  // a rewrite is no arrival
    ASSERT_TRUE(DispatchWithin(5000));
    EXPECT_EQ(received_.size(), 1u);
    ASSERT_EQ(Vscan("unplug COM7"), 0);
    ASSERT_TRUE(DispatchWithin(5000));
    EXPECT_FALSE(detection.DeviceDetected());
    EXPECT_EQ(detection.COMPort(), 0);
    EXPECT_THAT(received_, ElementsAre(Change{platform::DBT_DEVICEARRIVAL, "COM7"},
                                       Change{platform::DBT_DEVICEREMOVECOMPLETE, "COM7"}));
}

TEST_F(NotificationSourceTest, PortsWhoseNameDoesNotFitAreNotAnnounced) {
    Plug("COM12345678");
    Plug("COM300");
    ASSERT_TRUE(DispatchWithin(5000));
    EXPECT_THAT(received_, ElementsAre(Change{platform::DBT_DEVICEARRIVAL, "COM300"}));
}

TEST_F(NotificationSourceTest, DispatchWithoutChangesSendsNothing) {
    source_->Dispatch();
    EXPECT_TRUE(received_.empty());
}

TEST(PortNotificationTest, RecordLayout) {
    auto record = platform::MakePortNotification("COM7");
    ASSERT_TRUE(record);
    EXPECT_EQ(BytesToHex(std::vector<uint8_t>(record->begin(), record->end()), 0),
              "14000000"
              "03000000"
              "00000000"
              "434F4D3700000000");
    EXPECT_FALSE(platform::MakePortNotification("COM12345"));
    EXPECT_TRUE(platform::MakePortNotification("COM1234"));
}

}  // namespace
}  // namespace quarnel::test
