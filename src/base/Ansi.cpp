// SPDX-License-Identifier: MIT
#include "base/Ansi.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace quarnel {

namespace {

// Code points of the bytes 0x80..0x9F; undefined bytes keep their own value.
constexpr std::array<char32_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ToAnsiChar(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool IsAscii(std::string_view text) {
    // Texts here are short: eight bytes at a time, the last eight
    // overlapping the ones before.
    auto word = [&text](size_t at) {
        uint64_t bytes;
        std::memcpy(&bytes, text.data() + at, 8);
        return bytes;
    };
    uint64_t all = 0;
    if (text.size() >= 8) {
        for (size_t i = 0; i + 8 <= text.size(); i += 8) all |= word(i);
        all |= word(text.size() - 8);
    } else {
        for (char c : text) all |= static_cast<uint8_t>(c);
    }
    return (all & 0x8080808080808080) == 0;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<uint8_t>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead >= 0xF8) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = lead & (0x7F >> length);
        size_t taken = 1;
        while (taken < length && i + taken < utf8.size() &&
               (static_cast<uint8_t>(utf8[i + taken]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<uint8_t>(utf8[i + taken]) & 0x3F);
            ++taken;
        }
        out += taken == length ? ToAnsiChar(cp) : '?';
        i += taken;
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (IsAscii(ansi)) return std::string(ansi);
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            out += c;
        } else if (byte < 0xA0) {
            AppendUtf8(out, kHighTable[byte - 0x80]);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

}  // namespace quarnel
