// SPDX-License-Identifier: MIT
// Arrivals and removals reach the window's current procedure as port
// records, after the port table shows them.
#include "DeviceContract.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "platform/DeviceChange.h"

namespace quarnel::test {

// A platform may have no implementation of its own yet.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DeviceContract);

namespace {

using namespace platform;
using ::testing::UnorderedElementsAre;

struct Change {
    WPARAM event;
    std::string port;
    uint32_t size;
    uint32_t type;
    bool listed;  // whether the table showed the port when the message came
    friend bool operator==(const Change&, const Change&) = default;
};

void PrintTo(const Change& change, std::ostream* out) {
    *out << change.event << " " << change.port << " size " << change.size << " type " << change.type
         << (change.listed ? " listed" : " not listed");
}

bool Listed(const SerialPortTable& table, const std::string& port) {
    const auto ports = table.Ports();
    return std::any_of(ports.begin(), ports.end(),
                       [&](const SerialPortEntry& entry) { return entry.portName == port; });
}

// Records the changes of the test's own ports: the system tells every window
// of the machine's ports, tests run beside this one included.
class Recorder {
  public:
    Recorder(SerialPortTable& table, std::set<std::string> ports)
        : table_(table), ports_(std::move(ports)) {}
    WNDPROC Procedure() {
        return [this](HWND, UINT msg, WPARAM w, LPARAM l) {
            if (msg == WM_DEVICECHANGE && l != 0) {
                const auto* record = reinterpret_cast<const uint8_t*>(l);
                uint32_t size = 0, type = 0;
                std::memcpy(&size, record, 4);
                std::memcpy(&type, record + 4, 4);
                const std::string port(reinterpret_cast<const char*>(record) + kDeviceHeaderSize);
                if (ports_.contains(port))
                    changes.push_back({w, port, size, type, Listed(table_, port)});
            }
            return LRESULT{0};
        };
    }
    std::vector<Change> changes;

  private:
    SerialPortTable& table_;
    std::set<std::string> ports_;
};

class Ports {
  public:
    Ports() : driver_(DeviceContract::GetParam().make()), table_(driver_->Table()) {}

    PortDriver& Driver() { return *driver_; }
    SerialPortTable& Table() { return *table_; }

  private:
    std::unique_ptr<PortDriver> driver_;
    std::shared_ptr<SerialPortTable> table_;
};

constexpr WPARAM kIn = DBT_DEVICEARRIVAL;
constexpr WPARAM kOut = DBT_DEVICEREMOVECOMPLETE;
constexpr uint32_t kSize = kPortNotificationSize;
constexpr uint32_t kPort = DBT_DEVTYP_PORT;

TEST_P(DeviceContract, PlugAndUnplugReachTheWindowAfterTheTableChanged) {
    Ports ports;
    Recorder recorder(ports.Table(), {"COM7"});
    auto window = CreateHiddenWindow("frmMain", recorder.Procedure());
    auto source = ports.Driver().Open(*window);
    source->Dispatch();  // nothing has changed: nothing is sent
    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_FALSE(Listed(ports.Table(), "COM7"));

    ports.Driver().Plug("COM7");
    ASSERT_TRUE(WaitFor([&] { return !recorder.changes.empty(); }, [&] { source->Dispatch(); }));
    ports.Driver().Unplug("COM7");
    ASSERT_TRUE(WaitFor([&] { return recorder.changes.size() >= 2; }, [&] { source->Dispatch(); }));
    EXPECT_THAT(recorder.changes,
                ::testing::ElementsAre(Change{kIn, "COM7", kSize, kPort, true},
                                       Change{kOut, "COM7", kSize, kPort, false}));
    EXPECT_FALSE(Listed(ports.Table(), "COM7"));
}

TEST_P(DeviceContract, ChangesGoToTheProcedureThatReplacedTheWindows) {
    Ports ports;
    Recorder own(ports.Table(), {"COM4", "COM12"}), replacement(ports.Table(), {"COM4", "COM12"});
    auto window = CreateHiddenWindow("frmMain", own.Procedure());
    auto source = ports.Driver().Open(*window);
    window->SetWindowLongA(GWL_WNDPROC, replacement.Procedure());
    for (const char* port : {"COM4", "COM12"}) ports.Driver().Plug(port);
    ASSERT_TRUE(
        WaitFor([&] { return replacement.changes.size() >= 2; }, [&] { source->Dispatch(); }));
    EXPECT_THAT(replacement.changes,
                UnorderedElementsAre(Change{kIn, "COM4", kSize, kPort, true},
                                     Change{kIn, "COM12", kSize, kPort, true}));
    EXPECT_TRUE(own.changes.empty());
    // The table keeps its order while nothing changes.
    const auto first = ports.Table().Ports();
    const auto again = ports.Table().Ports();
    ASSERT_EQ(first.size(), again.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i].deviceName + first[i].portName, again[i].deviceName + again[i].portName);
}

}  // namespace
}  // namespace quarnel::test
