// SPDX-License-Identifier: MIT
// No serial ports: none is present, none ever arrives or leaves.
#include "platform/DeviceNotifications.h"
#include "platform/SerialPortTable.h"

namespace quarnel::platform {
namespace {

// Never readable: no port ever arrives or leaves.
class NullDeviceNotifications final : public DeviceNotificationSource {
  public:
    int FileDescriptor() const override { return -1; }
    void Dispatch() override {}
};

}  // namespace

std::shared_ptr<SerialPortTable> SystemSerialPortTable() {
    return EmptySerialPortTable();
}

std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(HiddenWindow&) {
    return std::make_unique<NullDeviceNotifications>();
}

}  // namespace quarnel::platform
