#include "RegistryTestSupport.h"

namespace quarnel::test {

using namespace platform;

int32_t PutValue(RegistryApi& registry, const std::string& key, const std::string& name,
                 uint32_t type, const std::string& data) {
    HKEY handle = 0;
    int32_t status = registry.RegCreateKeyExA(HKEY_CURRENT_USER, key, "", 0, KEY_ALL_ACCESS_0x3F,
                                              &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = registry.RegSetValueExA(handle, name, type, Bytes(data),
                                     static_cast<uint32_t>(data.size()));
    registry.RegCloseKey(handle);
    return status;
}

int32_t GetValue(RegistryApi& registry, HKEY hive, const std::string& key, const std::string& name,
                 uint32_t* type, std::string* data) {
    HKEY handle = 0;
    int32_t status = registry.RegOpenKeyExA(hive, key, 0, KEY_QUERY_VALUE, &handle);
    if (status != ERROR_SUCCESS) return status;
    uint32_t size = 0;
    status = registry.RegQueryValueExA(handle, name, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data->assign(size, '\0');
        status = registry.RegQueryValueExA(handle, name, type,
                                           reinterpret_cast<uint8_t*>(data->data()), &size);
    }
    registry.RegCloseKey(handle);
    return status;
}

std::vector<std::string> ListValues(RegistryApi& registry, HKEY hive, const std::string& key) {
    std::vector<std::string> names;
    HKEY handle = 0;
    if (registry.RegOpenKeyExA(hive, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return names;
    char name[300];
    for (uint32_t index = 0;; ++index) {
        uint32_t size = sizeof name;
        if (registry.RegEnumValueA(handle, index, name, &size) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    registry.RegCloseKey(handle);
    return names;
}

}  // namespace quarnel::test
