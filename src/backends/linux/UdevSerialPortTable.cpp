// SPDX-License-Identifier: MIT
// The serial-port table from udev and the virtual scanners' folder.
#include <libudev.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "backends/linux/ComDevices.h"
#include "backends/linux/ComPortMapping.h"
#include "backends/linux/UsbSerialPorts.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/SerialPortTable.h"

namespace quarnel::platform {
namespace linux_ports {
namespace {

constexpr const char* kTtyClass = "/sys/class/tty";
constexpr const char* kOpticonVendor = "065a";
constexpr const char* kOpn2001Product = "0009";

bool SameHex(const std::string& a, const char* b) {
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

std::string NameBase(const UsbSerialPort& port) {
    bool opticon = SameHex(port.vendorId, kOpticonVendor);
    if (opticon && port.driver == "opticon" && SameHex(port.productId, kOpn2001Product))
        return "Optovcm";
    if (opticon && port.driver == "cdc_acm") return "Optovcm";
    return port.driver.empty() ? "Serial" : port.driver;
}

std::string Text(const char* value) {
    return value != nullptr ? value : "";
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

// The driver bound nearest to the tty: the usb-serial port's (opticon,
// ftdi_sio) or the interface's (cdc_acm).
std::string DriverOf(udev_device* tty, udev_device* usbDevice) {
    for (udev_device* d = udev_device_get_parent(tty); d != nullptr && d != usbDevice;
         d = udev_device_get_parent(d)) {
        if (const char* driver = udev_device_get_driver(d)) return driver;
    }
    return "";
}

// The tty devices that have a parent device, as paths below /sys/class/tty:
// the entries whose link does not lead into the virtual devices. Consoles and
// pseudo-terminals, most of the entries, are left out by reading the links,
// which costs far less than having libudev look up every device.
std::vector<std::string> TtyDevicePaths() {
    std::vector<std::string> paths;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(kTtyClass, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        const std::string target = std::filesystem::read_symlink(it->path(), linkError).string();
        if (!linkError && target.find("/devices/virtual/") != std::string::npos) continue;
        paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

std::vector<SerialPortEntry> NameUsbSerialPorts(const std::vector<UsbSerialPort>& ports) {
    std::vector<std::pair<int, const UsbSerialPort*>> numbered;
    for (const auto& port : ports)
        if (auto com = ComNumberForDevicePath(port.devNode)) numbered.emplace_back(*com, &port);
    std::sort(numbered.begin(), numbered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::map<std::string, int> nextIndex;
    std::vector<SerialPortEntry> entries;
    for (const auto& [com, port] : numbered) {
        std::string base = NameBase(*port);
        entries.push_back(
            {"\\Device\\" + base + std::to_string(nextIndex[base]++), "COM" + std::to_string(com)});
    }
    return entries;
}

std::vector<SerialPortEntry> VirtualPortEntries(const std::string& folder) {
    std::vector<SerialPortEntry> entries;
    for (const auto& port : virtual_ports::ListPorts(folder))
        entries.push_back({"\\Device\\OptovcmVirtual" + port.substr(3), port});
    return entries;
}

std::vector<SerialPortEntry> ComDeviceEntries(const std::string& folder) {
    std::vector<SerialPortEntry> entries;
    for (const auto& port : com_devices::ListPorts(folder))
        entries.push_back(
            {"\\Device\\Optovcm" + std::to_string(std::stoi(port.substr(3)) - 1), port});
    return entries;
}

std::vector<UsbSerialPort> EnumerateUsbSerialPorts() {
    std::vector<UsbSerialPort> ports;
    std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context) return ports;
    for (const std::string& path : TtyDevicePaths()) {
        std::unique_ptr<udev_device, UdevDeleter> tty(
            udev_device_new_from_syspath(context.get(), path.c_str()));
        if (!tty) continue;
        // Owned by tty, like every parent below.
        udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
        if (usb == nullptr || udev_device_get_devnode(tty.get()) == nullptr) continue;
        ports.push_back({Text(udev_device_get_devnode(tty.get())), DriverOf(tty.get(), usb),
                         Text(udev_device_get_sysattr_value(usb, "idVendor")),
                         Text(udev_device_get_sysattr_value(usb, "idProduct"))});
    }
    return ports;
}

}  // namespace linux_ports

namespace {

class LinuxSerialPortTable final : public SerialPortTable {
  public:
    std::vector<SerialPortEntry> Ports() const override {
        auto entries = linux_ports::NameUsbSerialPorts(linux_ports::EnumerateUsbSerialPorts());
        // A COM device takes its number's place, as it does when opened.
        auto devices = linux_ports::ComDeviceEntries(com_devices::FolderFromEnvironment());
        std::erase_if(entries, [&](const SerialPortEntry& e) {
            return std::any_of(devices.begin(), devices.end(),
                               [&](const SerialPortEntry& d) { return d.portName == e.portName; });
        });
        entries.insert(entries.end(), devices.begin(), devices.end());
        auto virtuals = linux_ports::VirtualPortEntries(virtual_ports::FolderFromEnvironment());
        entries.insert(entries.end(), virtuals.begin(), virtuals.end());
        return entries;
    }
};

}  // namespace

std::shared_ptr<SerialPortTable> SystemSerialPortTable() {
    return std::make_shared<LinuxSerialPortTable>();
}

}  // namespace quarnel::platform
