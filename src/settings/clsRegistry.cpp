// SPDX-License-Identifier: MIT
#include "settings/clsRegistry.h"

#include <algorithm>

#include "base/ErrorInfo.h"
#include "platform/Paths.h"

namespace quarnel {

namespace {

using namespace platform;

constexpr int32_t kRegistryError = 26001;
constexpr int32_t kSetValueError = static_cast<int32_t>(0x800469A9u);

// "<executable base name>.cRegistry"
std::string RegistrySource() {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + ".cRegistry";
}

[[noreturn]] void RaiseRegistryError(int32_t number, std::string description) {
    throw QuarnelError(number, std::move(description), RegistrySource());
}

// The hive's number as the API's signed constants spell it; a Windows HKEY
// is a pointer, elsewhere a number, and the cast takes either.
std::string HiveText(HKEY hive) {
    return std::to_string(static_cast<int32_t>(uintptr_t(hive)));
}

// Two percent signs with at least one character between them.
bool NeedsExpansion(const std::string& text) {
    size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

std::string ExpandEnvironment(const std::string& text) {
    uint32_t needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::string expanded(needed, '\0');
    uint32_t written = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
    expanded.resize(written > 0 ? std::min(written, needed) - 1 : 0);
    return expanded;
}

int32_t LittleEndian(const std::vector<uint8_t>& data) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return static_cast<int32_t>(value);
}

// Closes the key when the scope ends, whatever happens in between.
class OpenKey {
  public:
    explicit OpenKey(RegistryApi& api) : api_(api) {}
    ~OpenKey() {
        if (open_) api_.RegCloseKey(handle_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    int32_t Open(HKEY hive, const std::string& path, uint32_t access) {
        int32_t status = api_.RegOpenKeyExA(hive, path, 0, access, &handle_);
        open_ = status == ERROR_SUCCESS;
        return status;
    }
    int32_t Create(HKEY hive, const std::string& path) {
        int32_t status =
            api_.RegCreateKeyExA(hive, path, "", 0, KEY_ALL_ACCESS_0x3F, &handle_, nullptr);
        open_ = status == ERROR_SUCCESS;
        return status;
    }
    HKEY Handle() const { return handle_; }

  private:
    RegistryApi& api_;
    HKEY handle_ = 0;
    bool open_ = false;
};

}  // namespace

std::string RegValueText(const RegValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
        return std::string(bytes->begin(), bytes->end());
    }
    return "";
}

clsRegistry::clsRegistry(std::shared_ptr<RegistryApi> api)
    : api_(std::move(api)), eValueType_(REG_NONE) {}

bool clsRegistry::KeyExists() const {
    OpenKey key(*api_);
    return key.Open(eKey_, sSectionKey_, KEY_QUERY_VALUE) == ERROR_SUCCESS;
}

bool clsRegistry::ValueExists() const {
    if (!KeyExists()) return false;
    std::vector<std::string> names;
    int32_t count = 0;
    EnumerateValues(names, count);
    return std::find(names.begin(), names.end(), sValueKey_) != names.end();
}

bool clsRegistry::CreateKey() {
    OpenKey key(*api_);
    if (key.Create(eKey_, sSectionKey_) != ERROR_SUCCESS) {
        RaiseRegistryError(kRegistryError, "Failed to create registry Key: '" + sSectionKey_);
    }
    return true;
}

bool clsRegistry::DeleteValue() {
    OpenKey key(*api_);
    if (key.Open(eKey_, sSectionKey_, KEY_ALL_ACCESS_0x3F) != ERROR_SUCCESS) {
        RaiseRegistryError(kRegistryError, "Failed to open key '" + HiveText(eKey_) +
                                               "',Section: '" + sSectionKey_ +
                                               "' for delete access");
    }
    if (api_->RegDeleteValueA(key.Handle(), sValueKey_) != ERROR_SUCCESS) {
        RaiseRegistryError(kRegistryError, "Failed to delete registry Key: '" + HiveText(eKey_) +
                                               "',Section: '" + sSectionKey_ + "',Key: '" +
                                               sValueKey_);
    }
    return true;
}

RegValue clsRegistry::Value() {
    OpenKey key(*api_);
    key.Open(eKey_, sSectionKey_, KEY_QUERY_VALUE);
    const std::string& name = sValueKey_;
    uint32_t type = REG_NONE;
    uint32_t size = 0;
    int32_t status = api_->RegQueryValueExA(key.Handle(), name, &type, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return vDefault_;
    eValueType_ = type;

    std::vector<uint8_t> data(size);
    if (size > 0 &&
        api_->RegQueryValueExA(key.Handle(), name, &type, data.data(), &size) != ERROR_SUCCESS) {
        return vDefault_;
    }
    data.resize(std::min<size_t>(size, data.size()));

    switch (type) {
        case REG_SZ:
        case REG_MULTI_SZ:
        case REG_EXPAND_SZ: {
            // The data without its final terminator; zero-length data reads as "".
            std::string text(data.begin(), data.end());
            if (!text.empty()) text.pop_back();
            if (type == REG_EXPAND_SZ) text = ExpandEnvironment(text);
            return text;
        }
        case REG_DWORD:
            return LittleEndian(data);
        case REG_DWORD_BIG_ENDIAN: {
            std::vector<uint8_t> reversed(data.rbegin(), data.rend());
            return LittleEndian(reversed);
        }
        default:
            return data;
    }
}

void clsRegistry::SetValue(const RegValue& value) {
    const std::string failure = "Failed to set registry value Key: '" + HiveText(eKey_) +
                                "',Section: '" + sSectionKey_ + "',Key: '" + sValueKey_ +
                                "' to value: '" + RegValueText(lastWritten_) + "'";
    OpenKey key(*api_);
    if (key.Create(eKey_, sSectionKey_) != ERROR_SUCCESS)
        RaiseRegistryError(kRegistryError, failure);

    int32_t status = ERROR_INVALID_DATA;
    const std::string& name = sValueKey_;
    if (eValueType_ == REG_SZ || eValueType_ == REG_EXPAND_SZ) {
        std::string text = RegValueText(value);
        uint32_t type = NeedsExpansion(text) ? REG_EXPAND_SZ : REG_SZ;
        status = api_->RegSetValueExA(key.Handle(), name, type,
                                      reinterpret_cast<const uint8_t*>(text.c_str()),
                                      static_cast<uint32_t>(text.size() + 1));
    } else if (eValueType_ == REG_DWORD || eValueType_ == REG_DWORD_BIG_ENDIAN) {
        if (const auto* number = std::get_if<int32_t>(&value)) {
            auto bits = static_cast<uint32_t>(*number);
            uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                                static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
            status = api_->RegSetValueExA(key.Handle(), name, REG_DWORD, bytes, 4);
        }
    }
    if (status != ERROR_SUCCESS) RaiseRegistryError(kSetValueError, failure);
    lastWritten_ = value;
}

bool clsRegistry::EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount) const {
    iKeyCount = 0;
    sKeyNames.clear();
    OpenKey key(*api_);
    if (key.Open(eKey_, sSectionKey_, KEY_QUERY_VALUE) != ERROR_SUCCESS) return true;
    uint32_t longest = 0;
    if (api_->RegQueryInfoKeyA(key.Handle(), &longest) != ERROR_SUCCESS) return true;
    std::vector<char> buffer(std::max<uint32_t>(longest + 1, 1));
    for (uint32_t index = 0;; ++index) {
        auto length = static_cast<uint32_t>(buffer.size());
        if (api_->RegEnumValueA(key.Handle(), index, buffer.data(), &length) != ERROR_SUCCESS)
            break;
        sKeyNames.emplace_back(buffer.data(), std::min<size_t>(length, buffer.size()));
        ++iKeyCount;
    }
    return true;
}

}  // namespace quarnel
