// SPDX-License-Identifier: MIT
// The program's only gateway to the registry. A caller sets the hive, key
// path and value name, then reads or writes; every operation opens and closes
// the key itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/RegistryApi.h"

namespace quarnel {

// Empty, text, a 32-bit integer or raw bytes.
using RegValue = std::variant<std::monostate, std::string, int32_t, std::vector<uint8_t>>;

// The text form of a value ("" for empty, decimal for numbers).
std::string RegValueText(const RegValue& value);

class clsRegistry {
  public:
    explicit clsRegistry(std::shared_ptr<platform::RegistryApi> api);

    platform::HKEY ClassKey() const { return eKey_; }
    void SetClassKey(platform::HKEY key) { eKey_ = key; }
    const std::string& SectionKey() const { return sSectionKey_; }
    void SetSectionKey(std::string key) { sSectionKey_ = std::move(key); }
    const std::string& ValueKey() const { return sValueKey_; }
    void SetValueKey(std::string name) { sValueKey_ = std::move(name); }
    uint32_t ValueType() const { return eValueType_; }
    void SetValueType(uint32_t type) { eValueType_ = type; }
    const RegValue& Default() const { return vDefault_; }
    void SetDefault(RegValue value) { vDefault_ = std::move(value); }

    bool KeyExists() const;
    bool ValueExists() const;
    // Raise QuarnelError with the source "<exe>.cRegistry" on failure.
    bool CreateKey();
    bool DeleteValue();

    // Read: Default on any failure; ValueType becomes the type found.
    RegValue Value();
    // Write: raises on failure.
    void SetValue(const RegValue& value);

    // The key's value names (UTF-8) in enumeration order; iKeyCount is their
    // number. Always true: a missing key lists nothing.
    bool EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount) const;

  private:
    std::shared_ptr<platform::RegistryApi> api_;
    platform::HKEY eKey_ = 0;
    std::string sSectionKey_;
    std::string sValueKey_;
    uint32_t eValueType_;
    RegValue vDefault_;
    RegValue lastWritten_;
};

}  // namespace quarnel
