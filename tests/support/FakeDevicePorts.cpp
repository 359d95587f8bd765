// SPDX-License-Identifier: MIT
#include "FakeDevicePorts.h"

#include <algorithm>

#include "platform/DeviceChange.h"

namespace quarnel::test {

using namespace platform;

class FakeDevicePorts::Source final : public DeviceNotificationSource {
  public:
    Source(FakeDevicePorts& ports, HiddenWindow& window) : ports_(ports), window_(window) {
        ports_.sources_.push_back(this);
    }
    ~Source() override { std::erase(ports_.sources_, this); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    int FileDescriptor() const override { return -1; }

    void Dispatch() override {
        // A procedure may plug or unplug in turn: those wait for the next call.
        std::vector<Change> changes = std::move(pending_);
        pending_.clear();
        for (const Change& change : changes) {
            if (auto record = MakePortNotification(change.port))
                window_.SendMessageA(WM_DEVICECHANGE, change.event,
                                     reinterpret_cast<LPARAM>(record->data()));
        }
    }

    std::vector<Change> pending_;

  private:
    FakeDevicePorts& ports_;
    HiddenWindow& window_;
};

void FakeDevicePorts::Plug(const std::string& port) {
    auto present = std::find_if(ports_.begin(), ports_.end(),
                                [&](const SerialPortEntry& e) { return e.portName == port; });
    if (present != ports_.end()) return;
    ports_.push_back({"\\Device\\Optovcm" + std::to_string(ports_.size()), port});
    Announce(DBT_DEVICEARRIVAL, port);
}

void FakeDevicePorts::Unplug(const std::string& port) {
    if (std::erase_if(ports_, [&](const SerialPortEntry& e) { return e.portName == port; }) > 0)
        Announce(DBT_DEVICEREMOVECOMPLETE, port);
}

void FakeDevicePorts::Announce(WPARAM event, const std::string& port) {
    for (Source* source : sources_) source->pending_.push_back({event, port});
}

std::unique_ptr<DeviceNotificationSource> FakeDevicePorts::Open(HiddenWindow& window) {
    return std::make_unique<Source>(*this, window);
}

}  // namespace quarnel::test
