// SPDX-License-Identifier: MIT
// A registry held in memory that keeps to the registry API's contract:
// key paths and value names compare without regard to ASCII case, and
// every key along a created path exists.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"

namespace quarnel::fuzz {

class MemoryRegistry : public platform::RegistryApi {
  public:
    struct Value {
        std::string name;
        uint32_t type = platform::REG_SZ;
        std::vector<uint8_t> data;
    };
    using Key = std::vector<Value>;

    // The key at that path, made if missing.
    Key& At(platform::HKEY hive, const std::string& path) { return keys_[Id(hive, path)]; }

    int32_t RegOpenKeyExA(platform::HKEY key, const std::string& subKey, uint32_t, uint32_t,
                          platform::HKEY* result) override {
        const std::string id = Id(key, subKey);
        if (keys_.count(id) == 0) return platform::ERROR_FILE_NOT_FOUND;
        *result = Handle(id);
        return platform::ERROR_SUCCESS;
    }
    int32_t RegCreateKeyExA(platform::HKEY key, const std::string& subKey, const std::string&,
                            uint32_t, uint32_t, platform::HKEY* result,
                            uint32_t* disposition) override {
        const std::string id = Id(key, subKey);
        if (disposition != nullptr) *disposition = keys_.count(id) ? 2 : 1;
        keys_[id];
        *result = Handle(id);
        return platform::ERROR_SUCCESS;
    }
    int32_t RegQueryValueExA(platform::HKEY key, const std::string& valueName, uint32_t* type,
                             uint8_t* data, uint32_t* dataSize) override {
        Key* values = Find(key);
        if (values == nullptr) return platform::ERROR_INVALID_HANDLE;
        Value* value = FindValue(*values, valueName);
        if (value == nullptr) return platform::ERROR_FILE_NOT_FOUND;
        if (type != nullptr) *type = value->type;
        const auto size = static_cast<uint32_t>(value->data.size());
        if (data == nullptr) {
            if (dataSize != nullptr) *dataSize = size;
            return platform::ERROR_SUCCESS;
        }
        if (dataSize == nullptr) return platform::ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return platform::ERROR_MORE_DATA;
        }
        std::copy(value->data.begin(), value->data.end(), data);
        *dataSize = size;
        return platform::ERROR_SUCCESS;
    }
    int32_t RegSetValueExA(platform::HKEY key, const std::string& valueName, uint32_t type,
                           const uint8_t* data, uint32_t dataSize) override {
        Key* values = Find(key);
        if (values == nullptr) return platform::ERROR_INVALID_HANDLE;
        Value* value = FindValue(*values, valueName);
        if (value == nullptr) value = &values->emplace_back(Value{valueName, type, {}});
        value->type = type;
        value->data.assign(data, data + dataSize);
        return platform::ERROR_SUCCESS;
    }
    int32_t RegDeleteValueA(platform::HKEY key, const std::string& valueName) override {
        Key* values = Find(key);
        if (values == nullptr) return platform::ERROR_INVALID_HANDLE;
        Value* value = FindValue(*values, valueName);
        if (value == nullptr) return platform::ERROR_FILE_NOT_FOUND;
        values->erase(values->begin() + (value - values->data()));
        return platform::ERROR_SUCCESS;
    }
    int32_t RegEnumValueA(platform::HKEY key, uint32_t index, char* name,
                          uint32_t* nameSize) override {
        Key* values = Find(key);
        if (values == nullptr) return platform::ERROR_INVALID_HANDLE;
        if (index >= values->size()) return platform::ERROR_NO_MORE_ITEMS;
        const std::string& text = (*values)[index].name;
        if (*nameSize <= text.size()) return platform::ERROR_MORE_DATA;
        std::memcpy(name, text.c_str(), text.size() + 1);
        *nameSize = static_cast<uint32_t>(text.size());
        return platform::ERROR_SUCCESS;
    }
    int32_t RegQueryInfoKeyA(platform::HKEY key, uint32_t* maxValueNameLength) override {
        Key* values = Find(key);
        if (values == nullptr) return platform::ERROR_INVALID_HANDLE;
        size_t longest = 0;
        for (const Value& value : *values) longest = std::max(longest, value.name.size());
        *maxValueNameLength = static_cast<uint32_t>(longest);
        return platform::ERROR_SUCCESS;
    }
    int32_t RegCloseKey(platform::HKEY key) override {
        return key >= kFirstHandle && key - kFirstHandle < handles_.size()
                   ? platform::ERROR_SUCCESS
                   : platform::ERROR_INVALID_HANDLE;
    }

  protected:
    Key* Find(platform::HKEY key) {
        if (key < kFirstHandle || key - kFirstHandle >= handles_.size()) return nullptr;
        return &keys_[handles_[key - kFirstHandle]];
    }

  private:
    static constexpr platform::HKEY kFirstHandle = 0x100;

    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }
    std::string Id(platform::HKEY key, const std::string& subKey) {
        if (key >= kFirstHandle && key - kFirstHandle < handles_.size()) {
            const std::string& parent = handles_[key - kFirstHandle];
            return subKey.empty() ? parent : parent + "\\" + Lower(subKey);
        }
        return std::to_string(key) + "\\" + Lower(subKey);
    }
    platform::HKEY Handle(const std::string& id) {
        handles_.push_back(id);
        return kFirstHandle + static_cast<platform::HKEY>(handles_.size() - 1);
    }
    static bool SameName(const std::string& a, const std::string& b) {
        return std::equal(
            a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
    }
    static Value* FindValue(Key& values, const std::string& name) {
        for (Value& value : values) {
            if (SameName(value.name, name)) return &value;
        }
        return nullptr;
    }

    std::map<std::string, Key> keys_;
    std::vector<std::string> handles_;
};

}  // namespace quarnel::fuzz
