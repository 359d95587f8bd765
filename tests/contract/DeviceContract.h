// SPDX-License-Identifier: MIT
// The contract of the port table and the device notifications: a port
// plugged or unplugged is in the table, or gone from it, by the time its
// WM_DEVICECHANGE reaches the window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ContractTest.h"
#include "platform/DeviceNotifications.h"
#include "platform/SerialPortTable.h"

namespace quarnel::test {

// Plugs and unplugs ports the way the implementation learns of them.
class PortDriver {
  public:
    virtual ~PortDriver() = default;
    virtual void Plug(const std::string& port) = 0;
    virtual void Unplug(const std::string& port) = 0;
    virtual std::shared_ptr<platform::SerialPortTable> Table() = 0;
    virtual std::unique_ptr<platform::DeviceNotificationSource> Open(
        platform::HiddenWindow& window) = 0;
};

// The system's port table and notifications; the plugs are the driver's.
class SystemPortDriver : public PortDriver {
  public:
    std::shared_ptr<platform::SerialPortTable> Table() override {
        return platform::SystemSerialPortTable();
    }
    std::unique_ptr<platform::DeviceNotificationSource> Open(
        platform::HiddenWindow& window) override {
        return platform::OpenDeviceNotifications(window);
    }
};

struct DeviceImplementation {
    std::string name;
    std::function<std::unique_ptr<PortDriver>()> make;
};

class DeviceContract : public ::testing::TestWithParam<DeviceImplementation> {};

}  // namespace quarnel::test
