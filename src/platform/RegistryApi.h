// SPDX-License-Identifier: MIT
// The registry operations the program uses, with the Windows registry API's
// arguments and status codes. Names, paths and string data are in the
// system's code page, as with the API's "A" functions: here UTF-8, as on a
// Windows set to use UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Windows.h"

namespace quarnel::platform {

#ifdef _WIN32
using HKEY = ::HKEY;
#else
using HKEY = uint32_t;
#endif

#ifndef HKEY_CURRENT_USER
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
#endif
#ifndef HKEY_LOCAL_MACHINE
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
#endif

#ifndef REG_NONE
inline constexpr uint32_t REG_NONE = 0;
#endif
#ifndef REG_SZ
inline constexpr uint32_t REG_SZ = 1;
#endif
#ifndef REG_EXPAND_SZ
inline constexpr uint32_t REG_EXPAND_SZ = 2;
#endif
#ifndef REG_BINARY
inline constexpr uint32_t REG_BINARY = 3;
#endif
#ifndef REG_DWORD
inline constexpr uint32_t REG_DWORD = 4;
#endif
#ifndef REG_DWORD_BIG_ENDIAN
inline constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
#endif
#ifndef REG_LINK
inline constexpr uint32_t REG_LINK = 6;
#endif
#ifndef REG_MULTI_SZ
inline constexpr uint32_t REG_MULTI_SZ = 7;
#endif

#ifndef KEY_QUERY_VALUE
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
#endif
inline constexpr uint32_t KEY_ALL_ACCESS_0x3F = 0x003F;

#ifndef ERROR_SUCCESS
inline constexpr int32_t ERROR_SUCCESS = 0;
#endif
#ifndef ERROR_FILE_NOT_FOUND
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
#endif
#ifndef ERROR_ACCESS_DENIED
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
#endif
#ifndef ERROR_INVALID_HANDLE
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
#endif
#ifndef ERROR_INVALID_DATA
inline constexpr int32_t ERROR_INVALID_DATA = 13;
#endif
#ifndef ERROR_INVALID_PARAMETER
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
#endif
#ifndef ERROR_MORE_DATA
inline constexpr int32_t ERROR_MORE_DATA = 234;
#endif
#ifndef ERROR_NO_MORE_ITEMS
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
#endif
#ifndef ERROR_BADDB
inline constexpr int32_t ERROR_BADDB = 1009;
#endif

class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    virtual int32_t RegOpenKeyExA(HKEY key, const std::string& subKey, uint32_t options,
                                  uint32_t samDesired, HKEY* result) = 0;
    // Creates every missing key along subKey. disposition may be null.
    virtual int32_t RegCreateKeyExA(HKEY key, const std::string& subKey,
                                    const std::string& keyClass, uint32_t options,
                                    uint32_t samDesired, HKEY* result, uint32_t* disposition) = 0;
    // With data null, reports type and size only (status 0). With a buffer
    // too small, reports the size and answers ERROR_MORE_DATA.
    virtual int32_t RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type,
                                     uint8_t* data, uint32_t* dataSize) = 0;
    virtual int32_t RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type,
                                   const uint8_t* data, uint32_t dataSize) = 0;
    virtual int32_t RegDeleteValueA(HKEY key, const std::string& valueName) = 0;
    // nameSize: in, the buffer's capacity in characters including the
    // terminator; out, the name's length without it.
    virtual int32_t RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) = 0;
    // The length of the longest value name, in characters, without terminator.
    virtual int32_t RegQueryInfoKeyA(HKEY key, uint32_t* maxValueNameLength) = 0;
    virtual int32_t RegCloseKey(HKEY key) = 0;

    // Why the store cannot be used (a file that is not a database, say), as
    // an error text; empty while it works.
    virtual std::string StoreProblem() const { return {}; }
};

// Expands %NAME% references from the environment; unknown names stay as
// written. Returns the characters needed including the terminator, like
// ExpandEnvironmentStringsA, and fills dst when it is large enough.
uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, uint32_t size);

class SerialPortTable;

// The current user's registry of this platform. The key
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM shows the given port table.
std::shared_ptr<RegistryApi> OpenUserRegistry(std::shared_ptr<SerialPortTable> ports);

}  // namespace quarnel::platform
