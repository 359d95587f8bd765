// SPDX-License-Identifier: MIT
// The registry of this platform: keys and values in an SQLite store, plus two
// live views (the autostart folder as the Run key, the serial-port table as
// SERIALCOMM). Handles are numbers valid within this object.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "backends/linux/KeyValues.h"
#include "backends/linux/RegistryNames.h"
#include "backends/linux/SerialCommView.h"
#include "backends/linux/SqliteRegistryStore.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"

namespace quarnel::platform {

class SqliteRegistry final : public RegistryApi {
  public:
    SqliteRegistry(std::string storePath, std::string autostartFolder,
                   std::shared_ptr<SerialPortTable> ports,
                   StoreJournal journal = StoreJournal::WriteAhead);

    int32_t RegOpenKeyExA(HKEY key, const std::string& subKey, uint32_t options,
                          uint32_t samDesired, HKEY* result) override;
    int32_t RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string& keyClass,
                            uint32_t options, uint32_t samDesired, HKEY* result,
                            uint32_t* disposition) override;
    int32_t RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override;
    int32_t RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type,
                           const uint8_t* data, uint32_t dataSize) override;
    int32_t RegDeleteValueA(HKEY key, const std::string& valueName) override;
    int32_t RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) override;
    int32_t RegQueryInfoKeyA(HKEY key, uint32_t* maxValueNameLength) override;
    int32_t RegCloseKey(HKEY key) override;
    std::string StoreProblem() const override;

  private:
    enum class Place { Store, Autostart, SerialPorts, BelowView };
    struct OpenKey {
        HKEY hive = 0;
        KeyPath path;
        uint32_t access = 0;
        std::shared_ptr<KeyValues> values;
    };

    Place Locate(HKEY hive, const KeyPath& path) const;
    // The key a handle or predefined hive stands for; false for an unknown handle.
    bool Resolve(HKEY key, OpenKey* open) const;
    // The key below base, checked for the access asked.
    int32_t Child(HKEY base, const std::string& subKey, uint32_t samDesired, OpenKey* child) const;
    // 0 when the key exists (the views' parents always do).
    int32_t Exists(const OpenKey& key) const;
    std::shared_ptr<KeyValues> ValuesOf(HKEY hive, const KeyPath& path, Place place) const;
    HKEY NewHandle(OpenKey key);
    // Resolves the handle and checks it grants the access asked.
    int32_t Use(HKEY key, uint32_t access, OpenKey* open) const;

    mutable std::mutex mutex_;
    std::unique_ptr<RegistryStore> store_;
    std::shared_ptr<KeyValues> autostart_;
    std::shared_ptr<SerialCommView> serialPorts_;
    std::map<HKEY, OpenKey> handles_;
    HKEY nextHandle_ = 1;
};

}  // namespace quarnel::platform
