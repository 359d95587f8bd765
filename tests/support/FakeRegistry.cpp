// SPDX-License-Identifier: MIT
#include "FakeRegistry.h"

#include <algorithm>
#include <cstring>

namespace quarnel::test {

using namespace platform;

namespace {

constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;
constexpr uint32_t kGenericAll = 0x10000000u;
constexpr uint32_t kMaximumAllowed = 0x02000000u;

// The key rights an access mask grants, generic rights included.
uint32_t Rights(uint32_t samDesired) {
    uint32_t rights = samDesired;
    if (samDesired & (kGenericAll | kMaximumAllowed)) rights |= KEY_ALL_ACCESS_0x3F;
    if (samDesired & kGenericRead) rights |= KEY_QUERY_VALUE;
    if (samDesired & kGenericWrite) rights |= kKeySetValue;
    return rights;
}

// Lower case as the registry compares names: ASCII, and the Latin-1 letters
// written in UTF-8 ("\xC3\x89" for "\xC3\xA9").
std::string Lower(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            text[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                text[i + 1] = static_cast<char>(next + 32);
            ++i;
        }
    }
    return text;
}

std::string NormalPath(const std::string& path) {
    std::string lower = Lower(path);
    while (!lower.empty() && lower.back() == '\\') lower.pop_back();
    return lower;
}

}  // namespace

std::string FakeRegistry::Resolve(HKEY key, const std::string& subKey, bool* ok) const {
    std::string base;
    *ok = true;
    if (key == HKEY_CURRENT_USER) {
        base = "hkcu";
    } else if (key == HKEY_LOCAL_MACHINE) {
        base = "hklm";
    } else if (auto it = handles_.find(key); it != handles_.end()) {
        base = it->second.path;
    } else {
        *ok = false;
        return {};
    }
    return subKey.empty() ? base : base + "\\" + NormalPath(subKey);
}

int32_t FakeRegistry::RegOpenKeyExA(HKEY key, const std::string& subKey, uint32_t,
                                    uint32_t samDesired, HKEY* result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = 0;
    bool ok = false;
    std::string path = Resolve(key, subKey, &ok);
    if (!ok) return ERROR_INVALID_HANDLE;
    if (path != "hkcu" && path != "hklm" && !keys_.count(path)) return ERROR_FILE_NOT_FOUND;
    *result = HKEY(nextHandle_++);
    handles_[*result] = {path, Rights(samDesired)};
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string&,
                                      uint32_t, uint32_t samDesired, HKEY* result,
                                      uint32_t* disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = 0;
    bool ok = false;
    std::string path = Resolve(key, subKey, &ok);
    if (!ok) return ERROR_INVALID_HANDLE;
    if (failWrites) return ERROR_ACCESS_DENIED;
    bool existed = keys_.count(path) > 0;
    for (size_t cut = path.find('\\'); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
        keys_.try_emplace(path.substr(0, cut));
    }
    keys_.try_emplace(path);
    if (disposition != nullptr) *disposition = existed ? 2 : 1;
    *result = HKEY(nextHandle_++);
    handles_[*result] = {path, Rights(samDesired)};
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::Use(HKEY key, uint32_t access, std::string* path) const {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        *path = key == HKEY_CURRENT_USER ? "hkcu" : "hklm";
        return ERROR_SUCCESS;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return ERROR_INVALID_HANDLE;
    *path = handle->second.path;
    return (handle->second.access & access) == access ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

int32_t FakeRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type,
                                       uint8_t* data, uint32_t* dataSize) {
    std::string path;
    if (int32_t status = Use(key, KEY_QUERY_VALUE, &path); status != ERROR_SUCCESS) return status;
    const Value* value = Find(path, valueName);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    if (dataSize == nullptr) return data == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    uint32_t capacity = *dataSize;
    *dataSize = static_cast<uint32_t>(value->data.size());
    if (data == nullptr) return ERROR_SUCCESS;
    if (capacity < value->data.size()) return ERROR_MORE_DATA;
    std::copy(value->data.begin(), value->data.end(), data);
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type,
                                     const uint8_t* data, uint32_t dataSize) {
    std::string path;
    if (int32_t status = Use(key, kKeySetValue, &path); status != ERROR_SUCCESS) return status;
    if (failWrites) return ERROR_ACCESS_DENIED;
    if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
    Put(path, valueName, type,
        data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + dataSize));
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegDeleteValueA(HKEY key, const std::string& valueName) {
    std::string path;
    if (int32_t status = Use(key, kKeySetValue, &path); status != ERROR_SUCCESS) return status;
    auto found = keys_.find(path);
    if (found == keys_.end()) return ERROR_FILE_NOT_FOUND;
    auto& values = found->second;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const Value& v) { return Lower(v.name) == Lower(valueName); });
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    values.erase(it);
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) {
    std::string path;
    if (int32_t status = Use(key, KEY_QUERY_VALUE, &path); status != ERROR_SUCCESS) return status;
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    const auto* values = Values(path);
    if (values == nullptr || index >= values->size()) return ERROR_NO_MORE_ITEMS;
    const std::string& found = (*values)[index].name;
    if (*nameSize < found.size() + 1) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<uint32_t>(found.size());
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegQueryInfoKeyA(HKEY key, uint32_t* maxValueNameLength) {
    std::string path;
    if (int32_t status = Use(key, KEY_QUERY_VALUE, &path); status != ERROR_SUCCESS) return status;
    size_t longest = 0;
    if (const auto* values = Values(path)) {
        for (const Value& v : *values) longest = std::max(longest, v.name.size());
    }
    if (maxValueNameLength != nullptr) *maxValueNameLength = static_cast<uint32_t>(longest);
    return ERROR_SUCCESS;
}

int32_t FakeRegistry::RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    return handles_.erase(key) > 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void FakeRegistry::Put(const std::string& path, const std::string& name, uint32_t type,
                       std::vector<uint8_t> data) {
    std::string normal = NormalPath(path);
    for (size_t cut = normal.find('\\'); cut != std::string::npos;
         cut = normal.find('\\', cut + 1)) {
        keys_.try_emplace(normal.substr(0, cut));
    }
    auto& values = keys_[normal];
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const Value& v) { return Lower(v.name) == Lower(name); });
    if (it == values.end()) {
        values.push_back(Value{name, type, std::move(data)});
    } else {
        it->type = type;
        it->data = std::move(data);
    }
}

void FakeRegistry::PutText(const std::string& path, const std::string& name,
                           const std::string& ansi, uint32_t type) {
    std::vector<uint8_t> data(ansi.begin(), ansi.end());
    data.push_back(0);
    Put(path, name, type, std::move(data));
}

const FakeRegistry::Value* FakeRegistry::Find(const std::string& path,
                                              const std::string& name) const {
    const auto* values = Values(path);
    if (values == nullptr) return nullptr;
    for (const Value& v : *values) {
        if (Lower(v.name) == Lower(name)) return &v;
    }
    return nullptr;
}

bool FakeRegistry::HasKey(const std::string& path) const {
    return keys_.count(NormalPath(path)) > 0;
}

const std::vector<FakeRegistry::Value>* FakeRegistry::Values(const std::string& path) const {
    auto it = keys_.find(NormalPath(path));
    return it == keys_.end() ? nullptr : &it->second;
}

}  // namespace quarnel::test
