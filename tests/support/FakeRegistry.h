// SPDX-License-Identifier: MIT
// An in-memory registry with the Windows API's status codes, for tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"

namespace quarnel::test {

// The value types the fake starts from, named where <windows.h> may have
// made them macros.
namespace registry_types {
using namespace platform;
inline constexpr uint32_t kNone = REG_NONE;
inline constexpr uint32_t kText = REG_SZ;
}  // namespace registry_types

class FakeRegistry : public platform::RegistryApi {
  public:
    struct Value {
        std::string name;
        uint32_t type = registry_types::kNone;
        std::vector<uint8_t> data;
    };

    int32_t RegOpenKeyExA(platform::HKEY key, const std::string& subKey, uint32_t options,
                          uint32_t samDesired, platform::HKEY* result) override;
    int32_t RegCreateKeyExA(platform::HKEY key, const std::string& subKey,
                            const std::string& keyClass, uint32_t options, uint32_t samDesired,
                            platform::HKEY* result, uint32_t* disposition) override;
    int32_t RegQueryValueExA(platform::HKEY key, const std::string& valueName, uint32_t* type,
                             uint8_t* data, uint32_t* dataSize) override;
    int32_t RegSetValueExA(platform::HKEY key, const std::string& valueName, uint32_t type,
                           const uint8_t* data, uint32_t dataSize) override;
    int32_t RegDeleteValueA(platform::HKEY key, const std::string& valueName) override;
    int32_t RegEnumValueA(platform::HKEY key, uint32_t index, char* name,
                          uint32_t* nameSize) override;
    int32_t RegQueryInfoKeyA(platform::HKEY key, uint32_t* maxValueNameLength) override;
    int32_t RegCloseKey(platform::HKEY key) override;

    // Direct access for arranging and checking test data. Paths are
    // "HKCU\..." or "HKLM\..." and compared without regard to case.
    void Put(const std::string& path, const std::string& name, uint32_t type,
             std::vector<uint8_t> data);
    void PutText(const std::string& path, const std::string& name, const std::string& ansi,
                 uint32_t type = registry_types::kText);
    const Value* Find(const std::string& path, const std::string& name) const;
    bool HasKey(const std::string& path) const;
    const std::vector<Value>* Values(const std::string& path) const;

    // Makes every create or set fail with ERROR_ACCESS_DENIED.
    bool failWrites = false;
    // Number of handles opened and not yet closed.
    size_t OpenHandles() const { return handles_.size(); }

  private:
    struct Handle {
        std::string path;  // lower-case full path
        uint32_t access = 0;
    };
    std::string Resolve(platform::HKEY key, const std::string& subKey, bool* ok) const;
    // The key's path, when the handle is open with the access asked.
    int32_t Use(platform::HKEY key, uint32_t access, std::string* path) const;
    std::map<std::string, std::vector<Value>> keys_;  // lower-case full path -> values
    std::map<platform::HKEY, Handle> handles_;
    uintptr_t nextHandle_ = 0x100;
};

}  // namespace quarnel::test
