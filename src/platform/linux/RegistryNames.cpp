#include "platform/linux/RegistryNames.h"

#include <cstdint>

namespace quarnel::platform {

namespace {

constexpr size_t kMaxKeyNameLength = 255;

char UpperAnsi(char c) {
    auto b = static_cast<uint8_t>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    // Latin-1 letters: à..þ map to À..Þ, except ÷.
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    switch (b) {
        case 0x9A:
            return static_cast<char>(0x8A);  // š
        case 0x9C:
            return static_cast<char>(0x8C);  // œ
        case 0x9E:
            return static_cast<char>(0x8E);  // ž
        case 0xFF:
            return static_cast<char>(0x9F);  // ÿ
        default:
            return c;
    }
}

}  // namespace

std::string FoldName(std::string_view ansi) {
    std::string folded(ansi);
    for (char& c : folded) c = UpperAnsi(c);
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAnsi(a[i]) != UpperAnsi(b[i])) return false;
    }
    return true;
}

std::optional<KeyPath> SplitKeyPath(std::string_view path) {
    KeyPath keys;
    if (path.empty()) return keys;
    if (path.back() == '\\') path.remove_suffix(1);
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view key =
            path.substr(start, end == std::string_view::npos ? end : end - start);
        if (key.empty() || key.size() > kMaxKeyNameLength) return std::nullopt;
        keys.emplace_back(key);
        if (end == std::string_view::npos) return keys;
        start = end + 1;
    }
}

bool StartsWithPath(const KeyPath& path, const KeyPath& prefix) {
    if (path.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (!SameName(path[i], prefix[i])) return false;
    }
    return true;
}

}  // namespace quarnel::platform
