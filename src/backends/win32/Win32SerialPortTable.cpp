// SPDX-License-Identifier: MIT
// The serial-port table from the registry key
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, read afresh on every look: the system
// changes it as ports come and go. Entries keep the enumeration's order.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/SerialPortTable.h"
#include "platform/Windows.h"

namespace quarnel::platform {
namespace {

constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr size_t kLongestValueName = 16383;

class RegistryKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { ::RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY Get() const { return key_; }

  private:
    HKEY key_;
};

// The text of a string value's data: up to its first NUL, or all of it when
// the data carries none.
std::string DataText(const std::vector<char>& data, DWORD length) {
    std::string text(data.data(), length);
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

class RegistrySerialPortTable final : public SerialPortTable {
  public:
    std::vector<SerialPortEntry> Ports() const override {
        std::vector<SerialPortEntry> entries;
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &opened) !=
            ERROR_SUCCESS)
            return entries;
        RegistryKey key(opened);
        DWORD longestName = 0, longestData = 0;
        if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &longestName, &longestData, nullptr,
                               nullptr) != ERROR_SUCCESS)
            return entries;
        std::vector<char> name(longestName + 1), data(longestData + 1);
        int retries = 0;
        for (DWORD index = 0;;) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size());
            DWORD type = 0;
            LONG status = ::RegEnumValueA(key.Get(), index, name.data(), &nameLength, nullptr,
                                          &type, reinterpret_cast<BYTE*>(data.data()), &dataLength);
            if (status == ERROR_MORE_DATA) {
                // A value grew since the key was measured: the same index again
                // with more room, a few times, before that value is left out.
                if (++retries > 3) {
                    ++index;
                    retries = 0;
                    continue;
                }
                name.resize(kLongestValueName + 1);
                data.resize(std::max<size_t>(data.size() * 2, dataLength + size_t{1}));
                continue;
            }
            retries = 0;
            if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS, or the key went
            ++index;
            if (type != REG_SZ) continue;
            entries.push_back({std::string(name.data(), nameLength), DataText(data, dataLength)});
        }
        return entries;
    }
};

}  // namespace

std::shared_ptr<SerialPortTable> SystemSerialPortTable() {
    return std::make_shared<RegistrySerialPortTable>();
}

}  // namespace quarnel::platform
