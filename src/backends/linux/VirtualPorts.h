// SPDX-License-Identifier: MIT
// The folder of virtual scanners: one file "COM<n>.scanner" per port, in the
// folder named by QUARNEL_VIRTUAL_PORTS. Header-only, shared by the program,
// the virtual scanner library and its tool.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quarnel::platform::virtual_ports {

inline constexpr const char* kFolderVariable = "QUARNEL_VIRTUAL_PORTS";
inline constexpr std::string_view kSuffix = ".scanner";

// The folder from the environment; "" when unset.
inline std::string FolderFromEnvironment() {
    const char* folder = std::getenv(kFolderVariable);
    return folder != nullptr ? folder : "";
}

// "COM" followed by one or more digits.
inline bool IsPortName(std::string_view name) {
    if (name.size() < 4 || name.substr(0, 3) != "COM") return false;
    return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The port a file of the folder stands for; nothing for other files.
inline std::optional<std::string> PortOfFile(std::string_view fileName) {
    if (fileName.size() <= kSuffix.size() ||
        fileName.substr(fileName.size() - kSuffix.size()) != kSuffix)
        return std::nullopt;
    std::string_view port = fileName.substr(0, fileName.size() - kSuffix.size());
    if (!IsPortName(port)) return std::nullopt;
    return std::string(port);
}

inline std::string FileOfPort(const std::string& folder, std::string_view port) {
    return folder + "/" + std::string(port) + std::string(kSuffix);
}

// Numeric order of the digits after "COM", however many there are.
inline bool PortLess(const std::string& a, const std::string& b) {
    auto digits = [](const std::string& name) {
        std::string_view d = std::string_view(name).substr(3);
        while (d.size() > 1 && d.front() == '0') d.remove_prefix(1);
        return d;
    };
    std::string_view da = digits(a), db = digits(b);
    if (da.size() != db.size()) return da.size() < db.size();
    return da != db ? da < db : a < b;
}

// The ports present in the folder, in port order; none when it is missing.
inline std::vector<std::string> ListPorts(const std::string& folder) {
    std::vector<std::string> ports;
    if (folder.empty()) return ports;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (auto port = PortOfFile(it->path().filename().string())) ports.push_back(*port);
    }
    std::sort(ports.begin(), ports.end(), PortLess);
    return ports;
}

}  // namespace quarnel::platform::virtual_ports
