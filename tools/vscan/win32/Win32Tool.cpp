// SPDX-License-Identifier: MIT
// quarnel-vscan's system part on Windows. A plugged scanner is listed in
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM like a USB serial port, and its arrival
// and removal are sent as WM_DEVICECHANGE with the port's record, the way
// Windows sends them: to the top-level windows, and, since no broadcast
// reaches message-only windows, to the program's hidden windows that listen
// for port changes. Writing that key takes an administrator on Windows.
#include <cctype>
#include <string>
#include <vector>

#include "platform/Windows.h"

#include <dbt.h>

#include "Tool.h"
#include "backends/win32/Win32Windows.h"
#include "platform/DeviceChange.h"

namespace quarnel::vscan {

const char* const kFolderUsage =
    "%QUARNEL_VIRTUAL_PORTS%,\nelse \"Quarnel\\Virtual scanners\" in the local application data";

namespace {

constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr UINT kAnswerTimeoutMs = 5000;  // for each window; a hung one is skipped at once

// The value naming the virtual scanner's port, as the Linux table names it.
std::string DeviceName(const std::string& port) {
    return "\\Device\\OptovcmVirtual" + port.substr(3);
}

std::string SystemMessage(LONG code) {
    char text[256] = {};
    DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        --length;
    return length > 0 ? std::string(text, length) : "error " + std::to_string(code);
}

class SerialComm {
  public:
    explicit SerialComm(const std::string& port) {
        // The key lives in the volatile part of the registry, so a new one must be volatile too.
        LONG status =
            ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        if (status != ERROR_SUCCESS)
            throw Failure{"cannot change the serial ports for " + port + " (HKLM\\" +
                          kSerialCommKey + "): " + SystemMessage(status)};
    }
    ~SerialComm() { ::RegCloseKey(key_); }
    SerialComm(const SerialComm&) = delete;
    SerialComm& operator=(const SerialComm&) = delete;

    // The name of another value that lists port; "" when there is none.
    std::string OtherHolder(const std::string& port, const std::string& ours) const {
        std::vector<char> name(16384), data(1024);
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size() - 1);
            DWORD type = 0;
            LONG status = ::RegEnumValueA(key_, index, name.data(), &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &dataLength);
            if (status == ERROR_MORE_DATA) continue;  // longer than any port name
            if (status != ERROR_SUCCESS) return "";
            if (type != REG_SZ) continue;
            data[dataLength] = '\0';
            std::string holder(name.data(), nameLength);
            if (SameText(data.data(), port) && !SameText(holder, ours)) return holder;
        }
    }

    void Set(const std::string& name, const std::string& port) {
        LONG status = ::RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(port.c_str()),
                                       static_cast<DWORD>(port.size() + 1));
        if (status != ERROR_SUCCESS)
            throw Failure{"cannot list " + port +
                          " among the serial ports: " + SystemMessage(status)};
    }

    void Remove(const std::string& name, const std::string& port) {
        LONG status = ::RegDeleteValueA(key_, name.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            throw Failure{"cannot take " + port +
                          " from the serial ports: " + SystemMessage(status)};
    }

  private:
    static bool SameText(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i])) !=
                std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }

    HKEY key_ = nullptr;
};

void SendChange(WPARAM event, const std::string& port) {
    auto record = platform::MakePortNotification(port);
    if (!record) return;
    const auto address = reinterpret_cast<LPARAM>(record->data());
    DWORD_PTR answer = 0;
    for (HWND window = nullptr;
         (window = ::FindWindowExA(HWND_MESSAGE, window, platform::win32::kHiddenWindowClass,
                                   nullptr)) != nullptr;) {
        if (::GetPropA(window, platform::win32::kPortChangesProperty) == nullptr) continue;
        ::SendMessageTimeoutA(window, WM_DEVICECHANGE, event, address, SMTO_ABORTIFHUNG,
                              kAnswerTimeoutMs, &answer);
    }
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, event, address, SMTO_ABORTIFHUNG,
                          kAnswerTimeoutMs, &answer);
}

}  // namespace

void AnnouncePlug(const std::string& port) {
    {
        SerialComm table(port);
        const std::string name = DeviceName(port);
        if (std::string holder = table.OtherHolder(port, name); !holder.empty())
            throw Failure{port + " is taken by " + holder};
        table.Set(name, port);
    }
    SendChange(DBT_DEVICEARRIVAL, port);
}

void AnnounceUnplug(const std::string& port) {
    SerialComm(port).Remove(DeviceName(port), port);
    SendChange(DBT_DEVICEREMOVECOMPLETE, port);
}

void Serve(const Arguments&, const std::string&) {
    throw Failure{"serve needs a pseudo-terminal, which Windows does not have"};
}

}  // namespace quarnel::vscan
