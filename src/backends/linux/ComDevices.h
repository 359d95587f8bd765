// SPDX-License-Identifier: MIT
// Test-only COM devices: an entry "COM<n>" (usually a link to a
// pseudo-terminal) in the folder named by QUARNEL_COM_DEVICES is opened for
// COM port n instead of its /dev device, and is listed as an OPN-2001 port.
// Header-only, shared by the program and the scanner library.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "backends/linux/ComPortMapping.h"
#include "backends/linux/VirtualPorts.h"

namespace quarnel::platform::com_devices {

inline constexpr const char* kFolderVariable = "QUARNEL_COM_DEVICES";

// The folder from the environment; "" when unset.
inline std::string FolderFromEnvironment() {
    const char* folder = std::getenv(kFolderVariable);
    return folder != nullptr ? folder : "";
}

// The ports whose entries exist (links are followed, so a link to a
// terminal that has gone is left out), in port order.
inline std::vector<std::string> ListPorts(const std::string& folder) {
    std::vector<std::string> ports;
    if (folder.empty()) return ports;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code existsError;
        if (virtual_ports::IsPortName(name) && name.size() <= 8 &&
            std::filesystem::exists(it->path(), existsError))
            ports.push_back(name);
    }
    std::sort(ports.begin(), ports.end(), virtual_ports::PortLess);
    return ports;
}

// The device to open for COM port number: the folder's entry when there is
// one, else the /dev device; "" below COM1.
inline std::string DeviceForComPort(int number) {
    if (number < 1) return "";
    std::string folder = FolderFromEnvironment();
    if (!folder.empty()) {
        std::string entry = folder + "/COM" + std::to_string(number);
        std::error_code ec;
        if (std::filesystem::exists(entry, ec)) return entry;
    }
    return linux_ports::DevicePathForComNumber(number).value_or("");
}

}  // namespace quarnel::platform::com_devices
