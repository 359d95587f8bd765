// SPDX-License-Identifier: MIT
#include "backends/linux/RegistryNames.h"

#include <cstdint>

namespace quarnel::platform {

namespace {

constexpr size_t kMaxKeyNameLength = 255;

bool Between(char32_t c, char32_t first, char32_t last) {
    return c >= first && c <= last;
}

// Simple upper-case mapping of the scripts names are likely to use. It must
// stay fixed: the store keeps folded names to find keys and values by.
char32_t Upper(char32_t c) {
    if (Between(c, 'a', 'z')) return c - 0x20;
    if (Between(c, 0xE0, 0xFE) && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A pairs its letters upper, lower; dotted and dotless i
    // have no partner of their own.
    if ((Between(c, 0x100, 0x12F) || Between(c, 0x132, 0x137) || Between(c, 0x14A, 0x177)) &&
        c % 2 == 1) {
        return c - 1;
    }
    if ((Between(c, 0x139, 0x148) || Between(c, 0x179, 0x17E)) && c % 2 == 0) return c - 1;
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (Between(c, 0x3B1, 0x3C9)) return c - 0x20;
    if (Between(c, 0x430, 0x44F)) return c - 0x20;
    if (Between(c, 0x450, 0x45F)) return c - 0x50;
    return c;
}

// The code point of the two-byte sequence at text[i], or 0 when there is
// none. Every letter Upper maps is encoded in two bytes, and so is its
// upper-case form.
char32_t TwoByteCodePoint(std::string_view text, size_t i) {
    if (i + 1 >= text.size()) return 0;
    auto lead = static_cast<uint8_t>(text[i]);
    auto trail = static_cast<uint8_t>(text[i + 1]);
    if (lead < 0xC2 || lead > 0xDF || (trail & 0xC0) != 0x80) return 0;
    return static_cast<char32_t>(((lead & 0x1F) << 6) | (trail & 0x3F));
}

// Characters, counting each lead byte and each stray byte once.
size_t CharacterCount(std::string_view utf8) {
    size_t count = 0;
    for (char c : utf8) count += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace

std::string FoldName(std::string_view utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        char32_t c = TwoByteCodePoint(utf8, i);
        if (c == 0) {
            char byte = utf8[i];
            folded += byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 0x20) : byte;
            continue;
        }
        char32_t upper = Upper(c);
        folded += static_cast<char>(0xC0 | (upper >> 6));
        folded += static_cast<char>(0x80 | (upper & 0x3F));
        ++i;
    }
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FoldName(a) == FoldName(b);
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
        if (key.empty() || CharacterCount(key) > kMaxKeyNameLength) return std::nullopt;
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
