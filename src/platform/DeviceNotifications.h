// SPDX-License-Identifier: MIT
// Arrivals and removals of serial ports, delivered to a hidden window as
// WM_DEVICECHANGE messages. The event loop watches FileDescriptor() and
// calls Dispatch() when it becomes readable.
#pragma once

#include <memory>

#include "platform/HiddenWindow.h"

namespace quarnel::platform {

class DeviceNotificationSource {
  public:
    virtual ~DeviceNotificationSource() = default;

    // Readable while changes wait for Dispatch; -1 when it could not be made.
    virtual int FileDescriptor() const = 0;

    // Sends every waiting arrival and removal to the window's current
    // procedure; returns at once when there is none.
    virtual void Dispatch() = 0;
};

// The port changes of this machine (on Linux: USB serial ports seen by
// udev, and the virtual scanners' folder), sent to window, which must
// outlive the source.
std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(HiddenWindow& window);

}  // namespace quarnel::platform
