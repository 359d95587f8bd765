// SPDX-License-Identifier: MIT
// The values of one registry key, wherever they live: in the store or in a
// live view of some other part of the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarnel::platform {

// Further Windows status codes the registry layer answers with.
inline constexpr int32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr int32_t ERROR_DISK_FULL = 112;

// Values of RegCreateKeyExA's disposition.
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// A value's type and its bytes as Windows stores them: strings with their
// terminating zero, a REG_DWORD as four little-endian bytes.
struct StoredValue {
    uint32_t type = 0;
    std::string data;
};

class KeyValues {
  public:
    virtual ~KeyValues() = default;
    // Names are UTF-8 and found without regard to letter case. Each
    // call answers a Windows status code.
    virtual int32_t Get(const std::string& name, StoredValue* value) = 0;
    virtual int32_t Set(const std::string& name, const StoredValue& value) = 0;
    virtual int32_t Delete(const std::string& name) = 0;
    // All value names in enumeration order.
    virtual int32_t Names(std::vector<std::string>* names) = 0;
};

}  // namespace quarnel::platform
