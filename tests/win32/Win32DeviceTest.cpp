// SPDX-License-Identifier: MIT
// The Windows hidden windows and port table: device-change records that come
// from outside are checked before the program reads them, and the table takes
// the registry's values as they are.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "backends/win32/Win32Windows.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/SerialPortTable.h"
#include "platform/Windows.h"

namespace quarnel::test {
namespace {

using namespace platform;
using namespace std::string_literals;
using win32::InterfaceChange;
using win32::OtherDevice;
using win32::Unreadable;

// A record as another process lays it out: size field, type, reserved, body.
std::vector<uint8_t> Record(uint32_t size, uint32_t type, const std::string& body) {
    std::vector<uint8_t> bytes(std::max<size_t>(size, kDeviceHeaderSize + body.size()));
    std::memcpy(bytes.data(), &size, 4);
    std::memcpy(bytes.data() + 4, &type, 4);
    std::memcpy(bytes.data() + kDeviceHeaderSize, body.data(), body.size());
    return bytes;
}

constexpr GUID kComPorts = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

std::string GuidBytes(const GUID& guid = kComPorts) {
    return std::string(reinterpret_cast<const char*>(&guid), sizeof guid);
}

TEST(Win32DeviceChange, ReadsOnlyWhatTheRecordsSizeCovers) {
    struct Case {
        const char* what;
        std::vector<uint8_t> record;
        size_t expected;  // the variant's index
        std::string name;
    };
    const std::string path =
        "\\\\?\\USB#VID_065A&PID_0001#1#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
    const Case cases[] = {
        {"a port as Windows sizes it", Record(17, 3, std::string("COM3\0", 5)), 2, "COM3"},
        {"a port of 7 characters", Record(20, 3, std::string("COM1234\0", 8)), 2, "COM1234"},
        {"a header cut short", Record(8, 3, std::string("COM3\0", 5)), 0, ""},
        {"a name not ended within the size", Record(14, 3, std::string("COM3\0", 5)), 0, ""},
        {"a name longer than the record", Record(21, 3, std::string("COM12345\0", 9)), 0, ""},
        {"a volume", Record(18, 2, std::string(6, '\0')), 1, ""},
        {"a COM-port interface",
         Record(static_cast<uint32_t>(28 + path.size() + 1), 5, GuidBytes() + path + '\0'), 3,
         path},
        {"an interface without its name", Record(28, 5, GuidBytes()), 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto read = win32::ReadDeviceChange(c.record.data());
        ASSERT_EQ(read.index(), c.expected);
        if (auto* port = std::get_if<PortNotification>(&read)) {
            EXPECT_EQ(*port, *MakePortNotification(c.name));
        } else if (auto* change = std::get_if<InterfaceChange>(&read)) {
            EXPECT_EQ(change->path, c.name);
            EXPECT_TRUE(change->classGuid == kComPorts);
        }
    }
    EXPECT_TRUE(std::holds_alternative<Unreadable>(win32::ReadDeviceChange(nullptr)));
}

struct Seen {
    WPARAM event;
    std::string port;  // the name in a port record; "" for none
    friend bool operator==(const Seen&, const Seen&) = default;
};

// Records the device changes a procedure receives; every record it gets
// must be a whole port record.
WNDPROC Recorder(std::vector<Seen>& seen) {
    return [&seen](HWND, UINT msg, WPARAM w, LPARAM l) {
        if (msg != WM_DEVICECHANGE) return LRESULT{0};
        std::string port;
        if (l != 0) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(l);
            uint32_t size = 0;
            std::memcpy(&size, bytes, 4);
            EXPECT_EQ(size, kPortNotificationSize);
            port.assign(reinterpret_cast<const char*>(bytes) + kDeviceHeaderSize);
        }
        seen.push_back({w, port});
        return LRESULT{0};
    };
}

// The contract sends whole records to a replaced procedure; here records
// cut short are kept from it.
TEST(Win32HiddenWindow, NativeDeviceChangesReachTheProcedureOnlyAsWholePortRecords) {
    std::vector<Seen> seen;
    auto window = CreateHiddenWindow("frmMain", Recorder(seen));
    ASSERT_NE(window->Handle(), 0);
    ::HWND native = win32::NativeHandle(window->Handle());
    ASSERT_TRUE(::IsWindow(native));
    // Message-only, where tools that announce ports look for it.
    EXPECT_EQ(
        ::FindWindowExA(win32::MessageOnlyParent(), nullptr, win32::kHiddenWindowClass, "frmMain"),
        native);
    EXPECT_EQ(WindowFromHandle(window->Handle()), window.get());

    auto shortPort = Record(17, 3, std::string("COM9\0", 5));
    auto cutShort = Record(14, 3, std::string("COM3\0", 5));
    ::SendMessageA(native, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                   reinterpret_cast<LPARAM>(shortPort.data()));
    ::SendMessageA(native, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                   reinterpret_cast<LPARAM>(cutShort.data()));
    ::SendMessageA(native, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    ::SendMessageA(native, WM_DEVICECHANGE, 7, 0);  // configuration changed: no record
    EXPECT_EQ(seen, (std::vector<Seen>{{DBT_DEVICEARRIVAL, "COM9"}, {7, ""}}));

    const HWND handle = window->Handle();
    window.reset();
    EXPECT_EQ(WindowFromHandle(handle), nullptr);
    EXPECT_FALSE(::IsWindow(native));
}

TEST(Win32HiddenWindow, PostedMessagesReachTheReplacingProcedureWhenDispatched) {
    std::vector<WPARAM> seen;
    auto window = CreateHiddenWindow("tray");
    window->SetWindowLongA(GWL_WNDPROC, [&seen](HWND, UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_APP + 1) seen.push_back(w + static_cast<WPARAM>(l));
        return LRESULT{0};
    });
    auto source = OpenDeviceNotifications(*window);
    EXPECT_EQ(source->FileDescriptor(), -1);  // the message loop brings the changes
    ::HWND native = win32::NativeHandle(window->Handle());
    std::thread([native] { ::PostMessageA(native, WM_APP + 1, 2, 3); }).join();
    source->Dispatch();
    EXPECT_EQ(seen, std::vector<WPARAM>{5});
}

TEST(Win32DeviceNotifications, InterfaceChangesBecomeRecordsOfThePortsTheyHad) {
    std::vector<Seen> seen;
    auto window = CreateHiddenWindow("frmMain", Recorder(seen));
    std::map<std::string, std::string> devices = {{"\\\\?\\USB#NEW", "COM5"}};
    auto source = win32::OpenDeviceNotifications(
        *window,
        [&devices](const std::string& path) -> std::optional<std::string> {
            auto found = devices.find(path);
            if (found == devices.end()) return std::nullopt;
            return found->second;
        },
        {{"\\\\?\\USB#OLD", "COM3"}});
    ::HWND native = win32::NativeHandle(window->Handle());
    auto send = [native](WPARAM event, const std::string& path, const GUID& guid) {
        auto record =
            Record(static_cast<uint32_t>(28 + path.size() + 1), 5, GuidBytes(guid) + path + '\0');
        ::SendMessageA(native, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.data()));
    };
    const GUID otherClass = {
        0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    send(DBT_DEVICEARRIVAL, "\\\\?\\USB#NEW", kComPorts);
    devices.clear();  // gone from the system by the time their removals come
    send(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\usb#new", kComPorts);
    send(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\USB#OLD", kComPorts);
    send(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\USB#UNKNOWN", kComPorts);
    send(DBT_DEVICEARRIVAL, "\\\\?\\USB#DISK", otherClass);
    EXPECT_EQ(seen, (std::vector<Seen>{{DBT_DEVICEARRIVAL, "COM5"},
                                       {DBT_DEVICEREMOVECOMPLETE, "COM5"},
                                       {DBT_DEVICEREMOVECOMPLETE, "COM3"}}));
}

// Values written into the machine's table for one test, and removed after.
class SerialCommValues {
  public:
    SerialCommValues() {
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                          REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key_, nullptr);
    }
    ~SerialCommValues() {
        for (const auto& name : names_) ::RegDeleteValueA(key_, name.c_str());
        ::RegCloseKey(key_);
    }
    void Set(const std::string& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(
            ::RegSetValueExA(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
        names_.push_back(name);
    }

  private:
    HKEY key_ = nullptr;
    std::vector<std::string> names_;
};

TEST(Win32SerialPortTable, TakesStringValuesWithOrWithoutTheirNul) {
    SerialCommValues values;
    const DWORD number = 5;
    const std::string longName = "\\Device\\" + std::string(300, 'x');
    values.Set("\\Device\\QuarnelTestEnded", REG_SZ, "COM201", 7);
    values.Set("\\Device\\QuarnelTestOpen", REG_SZ, "COM202", 6);
    values.Set("\\Device\\QuarnelTestNumber", REG_DWORD, &number, sizeof number);
    values.Set(longName, REG_SZ, "COM203", 7);
    std::vector<std::string> found;
    for (const auto& entry : SystemSerialPortTable()->Ports())
        found.push_back(entry.deviceName + "=" + entry.portName);
    EXPECT_THAT(found, ::testing::IsSupersetOf({"\\Device\\QuarnelTestEnded=COM201"s,
                                                "\\Device\\QuarnelTestOpen=COM202"s,
                                                longName + "=COM203"}));
    for (const auto& text : found) EXPECT_EQ(text.find("QuarnelTestNumber"), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
