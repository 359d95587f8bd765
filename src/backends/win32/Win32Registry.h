// SPDX-License-Identifier: MIT
// The Windows registry through its "A" functions. The registry holds its
// text in Windows-1252, as earlier versions and other programs wrote it; the
// program's strings are UTF-8, so key paths, value names and the data of the
// text types are converted on the way in and out.
#pragma once

#include "platform/RegistryApi.h"

namespace quarnel::platform {

class Win32Registry : public RegistryApi {
  public:
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
};

}  // namespace quarnel::platform
