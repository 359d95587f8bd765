// SPDX-License-Identifier: MIT
// The table of serial ports present, as the registry key
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM shows it: one value per port, named
// after the port's kernel device and holding its "COMn" name.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quarnel::platform {

struct SerialPortEntry {
    std::string deviceName;  // value name, e.g. "\Device\Optovcm0"
    std::string portName;    // value data, e.g. "COM3"
};

class SerialPortTable {
  public:
    virtual ~SerialPortTable() = default;
    // The ports present now, in a stable order.
    virtual std::vector<SerialPortEntry> Ports() const = 0;
};

// A table without ports.
std::shared_ptr<SerialPortTable> EmptySerialPortTable();

// The ports of this machine (on Linux: USB serial ports found with libudev,
// plus the virtual scanners' ports).
std::shared_ptr<SerialPortTable> SystemSerialPortTable();

}  // namespace quarnel::platform
