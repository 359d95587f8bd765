// SPDX-License-Identifier: MIT
// A registry over a private store, autostart folder and port table; setting, reading, listing.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "backends/linux/SqliteRegistry.h"
#include "platform/SerialPortTable.h"

namespace quarnel::test {

using namespace platform;
using namespace std::string_literals;
using ::testing::ElementsAre;

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct FakePorts : SerialPortTable {
    std::vector<SerialPortEntry> Ports() const override { return ports; }
    std::vector<SerialPortEntry> ports;
};

class RegistryTest : public ::testing::Test {
  protected:
    std::string StorePath() const { return dir.File("Quarnel/registry.sqlite3"); }
    std::string Autostart(const std::string& file = "") const {
        return dir.File("autostart/" + file);
    }
    std::unique_ptr<SqliteRegistry> Open() const {
        return std::make_unique<SqliteRegistry>(StorePath(), Autostart(), ports);
    }

    TempDir dir;
    std::shared_ptr<FakePorts> ports = std::make_shared<FakePorts>();
    std::unique_ptr<SqliteRegistry> registry = Open();
};

// What reading one value answers: status, type and data (none after a failure).
using Value = std::tuple<int32_t, uint32_t, std::string>;

inline const uint8_t* Bytes(const std::string& data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

inline unsigned Mode(const std::string& path) {
    return static_cast<unsigned>(std::filesystem::status(path).permissions());
}

// The status of opening (and closing again) a key.
inline int32_t TryOpen(RegistryApi& registry, HKEY hive, const std::string& key,
                       uint32_t access = KEY_QUERY_VALUE) {
    HKEY handle = 0;
    int32_t status = registry.RegOpenKeyExA(hive, key, 0, access, &handle);
    if (status == ERROR_SUCCESS) registry.RegCloseKey(handle);
    return status;
}

// Sets one value under HKCU, creating the key; the status of the set.
inline int32_t Put(RegistryApi& registry, const std::string& key, const std::string& name,
                   uint32_t type, const std::string& data) {
    HKEY handle = 0;
    int32_t status = registry.RegCreateKeyExA(HKEY_CURRENT_USER, key, "", 0, KEY_ALL_ACCESS_0x3F,
                                              &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = registry.RegSetValueExA(handle, name, type, Bytes(data), data.size());
    registry.RegCloseKey(handle);
    return status;
}

inline Value Get(RegistryApi& registry, HKEY hive, const std::string& key,
                 const std::string& name) {
    HKEY handle = 0;
    uint8_t data[4096];
    uint32_t type = REG_NONE, size = sizeof data;
    int32_t status = registry.RegOpenKeyExA(hive, key, 0, KEY_QUERY_VALUE, &handle);
    if (status == ERROR_SUCCESS) {
        status = registry.RegQueryValueExA(handle, name, &type, data, &size);
        registry.RegCloseKey(handle);
    }
    if (status != ERROR_SUCCESS) return {status, REG_NONE, ""};
    return {status, type, std::string(reinterpret_cast<char*>(data), size)};
}

// The names RegEnumValueA lists.
inline std::vector<std::string> List(RegistryApi& registry, HKEY hive, const std::string& key) {
    std::vector<std::string> names;
    HKEY handle = 0;
    if (registry.RegOpenKeyExA(hive, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return names;
    char name[300];
    for (uint32_t size = sizeof name;
         registry.RegEnumValueA(handle, names.size(), name, &size) == ERROR_SUCCESS;
         size = sizeof name)
        names.emplace_back(name, size);
    registry.RegCloseKey(handle);
    return names;
}

}  // namespace quarnel::test
