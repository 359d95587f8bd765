// SPDX-License-Identifier: MIT
#include "RegTool.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace quarnel::reg {

using namespace platform;

namespace {

constexpr const char* kIndent = "    ";
constexpr int kReadAttempts = 5;

// A registry key handle closed when it goes out of scope.
class Key {
  public:
    explicit Key(RegistryApi& registry) : registry_(registry) {}
    ~Key() {
        if (handle_ != 0) registry_.RegCloseKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* Out() { return &handle_; }
    HKEY Handle() const { return handle_; }

  private:
    RegistryApi& registry_;
    HKEY handle_ = 0;
};

std::string Hex(uint32_t number, bool upper, int width = 0) {
    char text[16];
    std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", width, number);
    return text;
}

std::optional<uint32_t> ParseDword(const std::string& text) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return std::nullopt;
    uint64_t number = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0) return std::nullopt;
        number = number * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    }
    if (number > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(number);
}

std::string StatusMessage(int32_t status, RegistryApi& registry) {
    switch (status) {
        case ERROR_FILE_NOT_FOUND:
            return "The system was unable to find the specified registry key or value.";
        case ERROR_ACCESS_DENIED:
            return "Access is denied.";
        case ERROR_INVALID_DATA:
            return "The data is invalid for this key.";
        case ERROR_INVALID_PARAMETER:
            return "The key or value name is invalid.";
        default:
            break;
    }
    std::string problem = registry.StoreProblem();
    return problem.empty() ? "The registry answered with status " + std::to_string(status) + "."
                           : problem;
}

int Fail(RegIo& io, const std::string& message) {
    io.err << "ERROR: " << message << "\n";
    return 1;
}

// Reads one value; the size is asked first and the read repeated when the
// value grew in between.
int32_t ReadValue(RegistryApi& registry, HKEY key, const std::string& name, uint32_t* type,
                  std::string* data) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        uint32_t size = 0;
        int32_t status = registry.RegQueryValueExA(key, name, type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        std::vector<uint8_t> buffer(size + 1);
        status = registry.RegQueryValueExA(key, name, type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_SUCCESS) {
            data->assign(reinterpret_cast<const char*>(buffer.data()), size);
        }
        return status;
    }
    return ERROR_MORE_DATA;
}

int32_t ValueNames(RegistryApi& registry, HKEY key, std::vector<std::string>* names) {
    uint32_t longest = 0;
    int32_t status = registry.RegQueryInfoKeyA(key, &longest);
    if (status != ERROR_SUCCESS) return status;
    std::vector<char> buffer(longest + 1);
    for (uint32_t index = 0;; ++index) {
        auto size = static_cast<uint32_t>(buffer.size());
        status = registry.RegEnumValueA(key, index, buffer.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        names->emplace_back(buffer.data(), size);
    }
}

int Query(const RegCommand& command, RegistryApi& registry, RegIo& io) {
    Key key(registry);
    int32_t status =
        registry.RegOpenKeyExA(command.hive, command.keyPath, 0, KEY_QUERY_VALUE, key.Out());
    if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
    std::vector<std::string> names;
    if (command.valueName) {
        names.push_back(*command.valueName);
    } else if ((status = ValueNames(registry, key.Handle(), &names)) != ERROR_SUCCESS) {
        return Fail(io, StatusMessage(status, registry));
    }
    std::string lines;
    for (const auto& name : names) {
        uint32_t type = REG_NONE;
        std::string data;
        status = ReadValue(registry, key.Handle(), name, &type, &data);
        // A value deleted while listing is simply left out.
        if (status == ERROR_FILE_NOT_FOUND && !command.valueName) continue;
        if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
        std::string shown = name.empty() ? "(Default)" : name;
        lines += kIndent + shown + kIndent + RegTypeName(type) + kIndent + RegDataText(type, data) +
                 "\n";
    }
    io.out << "\n" << command.FullKey() << "\n" << lines << "\n";
    return 0;
}

int Add(const RegCommand& command, RegistryApi& registry, RegIo& io) {
    std::string data;
    if (command.valueName) {
        std::string given = command.data.value_or("");
        if (command.type == REG_DWORD) {
            auto number = ParseDword(command.data.value_or("0"));
            if (!number) {
                return Fail(io, "Invalid REG_DWORD data '" + given +
                                    "': give 0 to 4294967295 or 0x0 to 0xFFFFFFFF.");
            }
            for (int shift = 0; shift < 32; shift += 8) {
                data += static_cast<char>((*number >> shift) & 0xFF);
            }
        } else {
            data = given + '\0';
        }
    }
    const std::string name = command.valueName.value_or("");
    Key key(registry);
    int32_t status = registry.RegCreateKeyExA(command.hive, command.keyPath, "", 0,
                                              KEY_ALL_ACCESS_0x3F, key.Out(), nullptr);
    if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
    if (command.valueName) {
        uint32_t size = 0;
        bool exists =
            registry.RegQueryValueExA(key.Handle(), name, nullptr, nullptr, &size) == ERROR_SUCCESS;
        if (exists && !command.force &&
            !io.confirm("Value " + *command.valueName + " exists, overwrite(Yes/No)? ")) {
            return Fail(io, "The value exists and was left as it is; use /f to overwrite it.");
        }
        status = registry.RegSetValueExA(key.Handle(), name, command.type,
                                         reinterpret_cast<const uint8_t*>(data.data()),
                                         static_cast<uint32_t>(data.size()));
        if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
    }
    io.out << "The operation completed successfully.\n";
    return 0;
}

int Delete(const RegCommand& command, RegistryApi& registry, RegIo& io) {
    const std::string& name = *command.valueName;
    Key key(registry);
    int32_t status =
        registry.RegOpenKeyExA(command.hive, command.keyPath, 0, KEY_ALL_ACCESS_0x3F, key.Out());
    if (status == ERROR_SUCCESS) {
        uint32_t size = 0;
        status = registry.RegQueryValueExA(key.Handle(), name, nullptr, nullptr, &size);
    }
    if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
    if (!command.force &&
        !io.confirm("Delete the registry value " + *command.valueName + " (Yes/No)? ")) {
        return Fail(io, "The value was not deleted; use /f to delete it without asking.");
    }
    status = registry.RegDeleteValueA(key.Handle(), name);
    if (status != ERROR_SUCCESS) return Fail(io, StatusMessage(status, registry));
    io.out << "The operation completed successfully.\n";
    return 0;
}

}  // namespace

std::string RegTypeName(uint32_t type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        default:
            return "0x" + Hex(type, true);
    }
}

std::string RegDataText(uint32_t type, const std::string& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return data.substr(0, data.find('\0'));
    if (type == REG_MULTI_SZ) {
        // The strings joined with "\0", as reg.exe shows them.
        std::string text = data;
        while (!text.empty() && text.back() == '\0') text.pop_back();
        std::string shown;
        for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        return shown;
    }
    if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && data.size() == 4) {
        uint32_t number = 0;
        for (int i = 0; i < 4; ++i) {
            int at = type == REG_DWORD ? 3 - i : i;
            number = (number << 8) | static_cast<uint8_t>(data[at]);
        }
        return "0x" + Hex(number, false);
    }
    std::string hex;
    for (char c : data) hex += Hex(static_cast<uint8_t>(c), true, 2);
    return hex;
}

int RunRegCommand(const RegCommand& command, RegistryApi& registry, RegIo& io) {
    switch (command.action) {
        case RegAction::Query:
            return Query(command, registry, io);
        case RegAction::Add:
            return Add(command, registry, io);
        case RegAction::Delete:
            return Delete(command, registry, io);
    }
    return 1;
}

}  // namespace quarnel::reg
