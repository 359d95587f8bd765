// SPDX-License-Identifier: MIT
// Naming of USB serial ports in the serial-port table: the OPN-2001
// (065a:0009 on the opticon driver, or any 065a device on cdc_acm) is
// "\Device\Optovcm<n>", other ports "\Device\<driver><n>", n counting per
// name in COM order. Virtual scanners are "\Device\OptovcmVirtual<digits>".
#pragma once

#include <string>
#include <vector>

#include "platform/SerialPortTable.h"

namespace quarnel::platform::linux_ports {

// A tty device with a USB parent, as udev describes it.
struct UsbSerialPort {
    std::string devNode;    // "/dev/ttyUSB0"
    std::string driver;     // "opticon", "cdc_acm", "ftdi_sio"
    std::string vendorId;   // idVendor, four hex digits
    std::string productId;  // idProduct
};

// The entries of these ports in COM order; ports without a COM number
// (see ComPortMapping.h) are left out.
std::vector<SerialPortEntry> NameUsbSerialPorts(const std::vector<UsbSerialPort>& ports);

// The entries of the virtual scanners in folder, in port order.
std::vector<SerialPortEntry> VirtualPortEntries(const std::string& folder);

// The entries of the COM devices in folder (see ComDevices.h), in port
// order: "\Device\Optovcm<n-1>" for COM<n>.
std::vector<SerialPortEntry> ComDeviceEntries(const std::string& folder);

// The USB serial ports udev knows now; none when udev cannot be asked.
std::vector<UsbSerialPort> EnumerateUsbSerialPorts();

}  // namespace quarnel::platform::linux_ports
