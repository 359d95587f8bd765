// SPDX-License-Identifier: MIT
// The registry key HKLM\HARDWARE\DEVICEMAP\SERIALCOMM as a read-only view of
// the serial-port table: value name = kernel device name, data = port name.
#pragma once

#include <memory>

#include "backends/linux/KeyValues.h"
#include "platform/SerialPortTable.h"

namespace quarnel::platform {

class SerialCommView final : public KeyValues {
  public:
    explicit SerialCommView(std::shared_ptr<SerialPortTable> ports);

    int32_t Get(const std::string& name, StoredValue* value) override;
    // The table belongs to the system: writes are refused.
    int32_t Set(const std::string& name, const StoredValue& value) override;
    int32_t Delete(const std::string& name) override;
    int32_t Names(std::vector<std::string>* names) override;

    // A view of the table's ports as they are now, which later changes of
    // the table leave alone.
    std::shared_ptr<SerialCommView> Snapshot() const;

  private:
    // The table's ports, the first of equal names only.
    std::vector<SerialPortEntry> Ports() const;

    std::shared_ptr<SerialPortTable> ports_;
};

}  // namespace quarnel::platform
