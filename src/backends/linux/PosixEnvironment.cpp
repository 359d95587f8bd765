// SPDX-License-Identifier: MIT
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryApi.h"

extern char** environ;

namespace quarnel::platform {

namespace {

bool SameAsciiFold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 0x20) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 0x20) : b[i];
        if (x != y) return false;
    }
    return true;
}

// Variable names ignore case as on Windows; an exact match wins.
std::optional<std::string> Variable(std::string_view wanted) {
    std::string name(wanted);
    if (name.empty() || name.find('=') != std::string::npos) return std::nullopt;
    if (const char* value = std::getenv(name.c_str())) return value;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        std::string_view item(*entry);
        size_t equals = item.find('=');
        if (equals != std::string_view::npos && SameAsciiFold(item.substr(0, equals), name)) {
            return std::string(item.substr(equals + 1));
        }
    }
    return std::nullopt;
}

}  // namespace

// An unknown or empty name is copied with both its percent signs, and
// scanning goes on after the second; a lone "%" stays as it is.
uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, uint32_t size) {
    std::string_view text = src != nullptr ? src : "";
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        size_t close = text.find('%', i + 1);
        if (close == std::string_view::npos) {
            out += text.substr(i);
            break;
        }
        auto value = Variable(text.substr(i + 1, close - i - 1));
        out += value ? std::string_view(*value) : text.substr(i, close - i + 1);
        i = close + 1;
    }
    auto needed = static_cast<uint32_t>(out.size() + 1);
    if (dst != nullptr && size >= needed) std::memcpy(dst, out.c_str(), needed);
    return needed;
}

}  // namespace quarnel::platform
