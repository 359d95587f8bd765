// SPDX-License-Identifier: MIT
// A registry that refuses every call: reads find nothing, writes are denied.
#include "platform/RegistryApi.h"

namespace quarnel::platform {
namespace {

// Every call is refused; reads find nothing, writes are denied.
class NullRegistry final : public RegistryApi {
  public:
    int32_t RegOpenKeyExA(HKEY, const std::string&, uint32_t, uint32_t, HKEY*) override {
        return ERROR_FILE_NOT_FOUND;
    }
    int32_t RegCreateKeyExA(HKEY, const std::string&, const std::string&, uint32_t, uint32_t, HKEY*,
                            uint32_t*) override {
        return ERROR_ACCESS_DENIED;
    }
    int32_t RegQueryValueExA(HKEY, const std::string&, uint32_t*, uint8_t*, uint32_t*) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegSetValueExA(HKEY, const std::string&, uint32_t, const uint8_t*, uint32_t) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegDeleteValueA(HKEY, const std::string&) override { return ERROR_INVALID_HANDLE; }
    int32_t RegEnumValueA(HKEY, uint32_t, char*, uint32_t*) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegQueryInfoKeyA(HKEY, uint32_t*) override { return ERROR_INVALID_HANDLE; }
    int32_t RegCloseKey(HKEY) override { return ERROR_INVALID_HANDLE; }
};

}  // namespace

std::shared_ptr<RegistryApi> OpenUserRegistry(std::shared_ptr<SerialPortTable>) {
    return std::make_shared<NullRegistry>();
}

}  // namespace quarnel::platform
