// SPDX-License-Identifier: MIT
// The registry seam on the Windows registry API.
#include "backends/win32/Win32Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Ansi.h"

namespace quarnel::platform {

namespace {

constexpr int kReadAttempts = 5;

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A name with a NUL inside would reach the API cut short, naming another
// key or value.
bool Usable(const std::string& name) {
    return name.find('\0') == std::string::npos;
}

// Reads a value whole in the registry's own bytes; the read is repeated when
// the value grew between asking its size and reading it.
LSTATUS ReadRaw(HKEY key, const std::string& ansiName, DWORD& type, std::string& data) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD size = 0;
        LSTATUS status = ::RegQueryValueExA(key, ansiName.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        data.assign(size, '\0');
        status = ::RegQueryValueExA(key, ansiName.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_SUCCESS) data.resize(std::min<size_t>(size, data.size()));
        return status;
    }
    return ERROR_MORE_DATA;
}

// The name of the value at index in the registry's bytes, or the failure.
LSTATUS RawName(HKEY key, DWORD index, std::string& name) {
    DWORD longest = 0;
    LSTATUS status = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, &longest, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    // Twice the characters: room for a double-byte code page, and for a
    // name that grew since the count.
    std::vector<char> buffer((longest + 1) * 2);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        auto length = static_cast<DWORD>(buffer.size());
        status =
            ::RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status == ERROR_SUCCESS)
            name.assign(buffer.data(), std::min<size_t>(length, buffer.size()));
        return status;
    }
    return ERROR_MORE_DATA;
}

}  // namespace

int32_t Win32Registry::RegOpenKeyExA(HKEY key, const std::string& subKey, uint32_t options,
                                     uint32_t samDesired, HKEY* result) {
    if (!Usable(subKey) || result == nullptr) return ERROR_INVALID_PARAMETER;
    return ::RegOpenKeyExA(key, Utf8ToAnsi(subKey).c_str(), options, samDesired, result);
}

int32_t Win32Registry::RegCreateKeyExA(HKEY key, const std::string& subKey,
                                       const std::string& keyClass, uint32_t options,
                                       uint32_t samDesired, HKEY* result, uint32_t* disposition) {
    if (!Usable(subKey) || !Usable(keyClass) || result == nullptr) return ERROR_INVALID_PARAMETER;
    std::string ansiClass = Utf8ToAnsi(keyClass);
    DWORD made = 0;
    const LSTATUS status = ::RegCreateKeyExA(key, Utf8ToAnsi(subKey).c_str(), 0,
                                             ansiClass.empty() ? nullptr : ansiClass.data(),
                                             options, samDesired, nullptr, result, &made);
    if (status == ERROR_SUCCESS && disposition != nullptr) *disposition = made;
    return status;
}

int32_t Win32Registry::RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type,
                                        uint8_t* data, uint32_t* dataSize) {
    if (!Usable(valueName) || (data != nullptr && dataSize == nullptr))
        return ERROR_INVALID_PARAMETER;
    DWORD found = REG_NONE;
    std::string bytes;
    const LSTATUS status = ReadRaw(key, Utf8ToAnsi(valueName), found, bytes);
    if (status != ERROR_SUCCESS) return status;
    if (IsText(found)) bytes = AnsiToUtf8(bytes);
    if (type != nullptr) *type = found;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    const auto size = static_cast<uint32_t>(bytes.size());
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) std::memcpy(data, bytes.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

int32_t Win32Registry::RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type,
                                      const uint8_t* data, uint32_t dataSize) {
    if (!Usable(valueName) || (data == nullptr && dataSize != 0)) return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), dataSize);
    if (IsText(type)) bytes = Utf8ToAnsi(bytes);
    // The std::string's own terminator lies beyond the size: the API may look
    // one byte past a text that lacks its terminator.
    return ::RegSetValueExA(key, Utf8ToAnsi(valueName).c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(bytes.c_str()),
                            static_cast<DWORD>(bytes.size()));
}

int32_t Win32Registry::RegDeleteValueA(HKEY key, const std::string& valueName) {
    if (!Usable(valueName)) return ERROR_INVALID_PARAMETER;
    return ::RegDeleteValueA(key, Utf8ToAnsi(valueName).c_str());
}

int32_t Win32Registry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) {
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::string raw;
    const LSTATUS status = RawName(key, index, raw);
    if (status != ERROR_SUCCESS) return status;
    const std::string utf8 = AnsiToUtf8(raw);
    if (utf8.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, utf8.c_str(), utf8.size() + 1);
    *nameSize = static_cast<uint32_t>(utf8.size());
    return ERROR_SUCCESS;
}

// The registry counts characters; in UTF-8 a name takes more bytes, so the
// names are measured after conversion.
int32_t Win32Registry::RegQueryInfoKeyA(HKEY key, uint32_t* maxValueNameLength) {
    if (maxValueNameLength == nullptr) return ERROR_INVALID_PARAMETER;
    DWORD count = 0;
    LSTATUS status = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &count, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    size_t longest = 0;
    for (DWORD index = 0; index < count; ++index) {
        std::string raw;
        status = RawName(key, index, raw);
        if (status == ERROR_NO_MORE_ITEMS) break;  // deleted while counting
        if (status != ERROR_SUCCESS) return status;
        longest = std::max(longest, AnsiToUtf8(raw).size());
    }
    *maxValueNameLength = static_cast<uint32_t>(longest);
    return ERROR_SUCCESS;
}

int32_t Win32Registry::RegCloseKey(HKEY key) {
    return ::RegCloseKey(key);
}

// The real registry has the serial-port table of its own.
std::shared_ptr<RegistryApi> OpenUserRegistry(std::shared_ptr<SerialPortTable>) {
    return std::make_shared<Win32Registry>();
}

}  // namespace quarnel::platform
