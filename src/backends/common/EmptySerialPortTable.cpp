// SPDX-License-Identifier: MIT
#include "platform/SerialPortTable.h"

namespace quarnel::platform {

namespace {

class EmptyTable final : public SerialPortTable {
  public:
    std::vector<SerialPortEntry> Ports() const override { return {}; }
};

}  // namespace

std::shared_ptr<SerialPortTable> EmptySerialPortTable() {
    return std::make_shared<EmptyTable>();
}

}  // namespace quarnel::platform
