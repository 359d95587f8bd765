// The registry operations the program uses, with the Windows registry API's
// arguments and status codes. Names, paths and string data are in the
// system's code page, as with the API's "A" functions: here UTF-8, as on a
// Windows set to use UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quarnel::platform {

using HKEY = uint32_t;

inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr uint32_t REG_LINK = 6;
inline constexpr uint32_t REG_MULTI_SZ = 7;

inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_ALL_ACCESS_0x3F = 0x003F;

inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_INVALID_DATA = 13;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_MORE_DATA = 234;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t ERROR_BADDB = 1009;

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
