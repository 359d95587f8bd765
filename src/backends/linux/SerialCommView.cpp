// SPDX-License-Identifier: MIT
#include "backends/linux/SerialCommView.h"

#include "backends/linux/RegistryNames.h"
#include "platform/RegistryApi.h"

namespace quarnel::platform {
namespace {

class FixedPortTable final : public SerialPortTable {
  public:
    explicit FixedPortTable(std::vector<SerialPortEntry> ports) : ports_(std::move(ports)) {}
    std::vector<SerialPortEntry> Ports() const override { return ports_; }

  private:
    std::vector<SerialPortEntry> ports_;
};

}  // namespace

SerialCommView::SerialCommView(std::shared_ptr<SerialPortTable> ports) : ports_(std::move(ports)) {}

std::vector<SerialPortEntry> SerialCommView::Ports() const {
    std::vector<SerialPortEntry> ports;
    for (const auto& port : ports_->Ports()) {
        bool known = false;
        for (const auto& seen : ports) known = known || SameName(seen.deviceName, port.deviceName);
        if (!known) ports.push_back(port);
    }
    return ports;
}

std::shared_ptr<SerialCommView> SerialCommView::Snapshot() const {
    return std::make_shared<SerialCommView>(std::make_shared<FixedPortTable>(Ports()));
}

int32_t SerialCommView::Get(const std::string& name, StoredValue* value) {
    for (const auto& port : Ports()) {
        if (SameName(port.deviceName, name)) {
            value->type = REG_SZ;
            value->data = port.portName + '\0';
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

int32_t SerialCommView::Set(const std::string&, const StoredValue&) {
    return ERROR_ACCESS_DENIED;
}

int32_t SerialCommView::Delete(const std::string&) {
    return ERROR_ACCESS_DENIED;
}

int32_t SerialCommView::Names(std::vector<std::string>* names) {
    names->clear();
    for (const auto& port : Ports()) names->push_back(port.deviceName);
    return ERROR_SUCCESS;
}

}  // namespace quarnel::platform
