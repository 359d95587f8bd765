// SPDX-License-Identifier: MIT
// Serial ports plugged and unplugged by the test: the port table, and the
// device-change messages a source opened on it sends to its window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceNotifications.h"
#include "platform/SerialPortTable.h"

namespace quarnel::test {

class FakeDevicePorts : public platform::SerialPortTable {
  public:
    std::vector<platform::SerialPortEntry> Ports() const override { return ports_; }

    // Lists port ("COM7") as a scanner's port and announces its arrival to
    // every open source; the removal likewise. Plugging a port present, or
    // unplugging one absent, changes nothing.
    void Plug(const std::string& port);
    void Unplug(const std::string& port);

    // A source that sends the changes made from now on, at Dispatch. It has
    // no descriptor to watch.
    std::unique_ptr<platform::DeviceNotificationSource> Open(platform::HiddenWindow& window);

  private:
    struct Change {
        platform::WPARAM event;
        std::string port;
    };
    class Source;
    void Announce(platform::WPARAM event, const std::string& port);

    std::vector<platform::SerialPortEntry> ports_;
    std::vector<Source*> sources_;
};

}  // namespace quarnel::test
