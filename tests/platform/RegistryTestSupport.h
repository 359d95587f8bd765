// A registry over a private store, autostart folder and port table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/SerialPortTable.h"
#include "platform/linux/SqliteRegistry.h"

namespace quarnel::test {

class FakePorts : public platform::SerialPortTable {
  public:
    std::vector<platform::SerialPortEntry> Ports() const override { return ports; }
    std::vector<platform::SerialPortEntry> ports;
};

struct RegistryFixture {
    TempDir dir;
    std::shared_ptr<FakePorts> ports = std::make_shared<FakePorts>();

    std::string StorePath() const { return dir.File("Quarnel/registry.sqlite3"); }
    std::string AutostartFolder() const { return dir.File("autostart"); }
    std::unique_ptr<platform::SqliteRegistry> Open() const {
        return std::make_unique<platform::SqliteRegistry>(StorePath(), AutostartFolder(), ports);
    }
};

// Bytes as the registry API takes them.
inline const uint8_t* Bytes(const std::string& data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

// Sets one value under HKCU, creating the key; the status of the set.
int32_t PutValue(platform::RegistryApi& registry, const std::string& key, const std::string& name,
                 uint32_t type, const std::string& data);
// The value's type and bytes; status on failure.
int32_t GetValue(platform::RegistryApi& registry, platform::HKEY hive, const std::string& key,
                 const std::string& name, uint32_t* type, std::string* data);
// The names RegEnumValueA lists.
std::vector<std::string> ListValues(platform::RegistryApi& registry, platform::HKEY hive,
                                    const std::string& key);

}  // namespace quarnel::test
