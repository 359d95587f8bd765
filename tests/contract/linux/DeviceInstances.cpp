// SPDX-License-Identifier: MIT
// The device contract on Linux: the system's table and notifications,
// driven through the virtual scanners' folder and through the test COM
// devices' folder.
#include <filesystem>

#include "DeviceContract.h"
#include "TestSupport.h"
#include "backends/linux/ComDevices.h"
#include "backends/linux/VirtualPorts.h"

namespace quarnel::test {
namespace {

// The system's ports, with one folder of the test's standing for plugged ports.
class FolderDriver : public SystemPortDriver {
  protected:
    TempDir dir_;
};

// A scanner file per port.
class VirtualPortsDriver final : public FolderDriver {
  public:
    void Plug(const std::string& port) override {
        WriteFileBytes(platform::virtual_ports::FileOfPort(dir_.Path(), port), "");
    }
    void Unplug(const std::string& port) override {
        std::filesystem::remove(platform::virtual_ports::FileOfPort(dir_.Path(), port));
    }

  private:
    ScopedEnv folder_{platform::virtual_ports::kFolderVariable, dir_.Path()};
    ScopedEnv noDevices_{platform::com_devices::kFolderVariable, std::nullopt};
};

// A link per port, to the terminal it would open.
class ComDevicesDriver final : public FolderDriver {
  public:
    void Plug(const std::string& port) override {
        std::filesystem::create_symlink("/dev/null", dir_.File(port));
    }
    void Unplug(const std::string& port) override { std::filesystem::remove(dir_.File(port)); }

  private:
    ScopedEnv folder_{platform::com_devices::kFolderVariable, dir_.Path()};
    ScopedEnv noVirtual_{platform::virtual_ports::kFolderVariable, std::nullopt};
};

QUARNEL_CONTRACT_INSTANCES(Linux, DeviceContract,
                           Instance<DeviceImplementation, VirtualPortsDriver>("VirtualPorts"),
                           Instance<DeviceImplementation, ComDevicesDriver>("ComDevices"));

}  // namespace
}  // namespace quarnel::test
