// SPDX-License-Identifier: MIT
// The URL check and the server name check. WinINet's URL parser accepts
// nearly any text that has a scheme (blanks in the host, ports past 65535,
// broken IPv6 literals), so the rules the Linux build's parser applies are
// checked here on top of it: both builds answer alike.
#include "backends/win32/WinInetHttp.h"

#include <wininet.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace quarnel::platform {

namespace {

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Blanks and control bytes, NUL included, end a URL's text for many readers.
bool HasBlankOrControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return c <= 0x20 || c == 0x7F; });
}

// A registered name: none of the bytes that delimit or quote in URLs.
bool IsRegisteredName(std::string_view host) {
    static constexpr std::string_view kForbidden = "/:#?!@{}[]\\$'\"^`*<>=;,+&()%";
    return !host.empty() && !HasBlankOrControl(host) &&
           host.find_first_of(kForbidden) == std::string_view::npos;
}

// An IPv6 address, optionally with a zone after zoneMark ("%" in a server
// name, "%25" in a URL).
bool IsIpv6Literal(std::string_view text, std::string_view zoneMark) {
    const size_t zone = text.find(zoneMark);
    if (zone != std::string_view::npos) {
        if (!IsRegisteredName(text.substr(zone + zoneMark.size()))) return false;
        text = text.substr(0, zone);
    }
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN) return false;
    char address[16];
    return ::inet_pton(AF_INET6, std::string(text).c_str(), address) == 1;
}

// The host of a URL with its %XX escapes decoded; nullopt for a bad escape.
std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0)
            return std::nullopt;
        decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
        i += 2;
    }
    return decoded;
}

// Digits only, none at all for the default, at most 65535.
bool IsPortText(std::string_view text) {
    uint32_t value = 0;
    for (char c : text) {
        if (!IsAsciiDigit(c)) return false;
        value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(c - '0'), 65536);
    }
    return value <= 65535;
}

// "host", "host:port", "[v6]" or "[v6]:port", as in a URL's authority.
bool IsUrlHostAndPort(std::string_view text) {
    std::string_view port;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6Literal(text.substr(1, close - 1), "%25"))
            return false;
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return false;
        port = rest.empty() ? rest : rest.substr(1);
    } else {
        const size_t colon = text.find(':');
        const std::optional<std::string> host = PercentDecoded(text.substr(0, colon));
        if (!host || !IsRegisteredName(*host)) return false;
        if (colon != std::string_view::npos) port = text.substr(colon + 1);
    }
    return IsPortText(port);
}

}  // namespace

bool IsServerName(std::string_view name) {
    if (name.starts_with('[') && name.ends_with(']')) name = name.substr(1, name.size() - 2);
    if (name.find(':') != std::string_view::npos) return IsIpv6Literal(name, "%");
    return IsRegisteredName(name);
}

bool IsWellFormedUrl(const std::string& url) {
    if (HasBlankOrControl(url)) return false;
    // scheme "://" authority, then anything: a path, a query, a fragment.
    const size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0 || !IsAsciiAlpha(url[0]) ||
        !std::all_of(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) {
                         return IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' ||
                                c == '.';
                     }) ||
        url.compare(colon + 1, 2, "//") != 0) {
        return false;
    }
    const size_t start = colon + 3;
    const size_t end = std::min(url.find_first_of("/?#", start), url.size());
    std::string_view authority = std::string_view(url).substr(start, end - start);
    // User information ends at the first "@"; another one makes the host bad.
    const size_t at = authority.find('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);
    if (!IsUrlHostAndPort(authority)) return false;
    // And the system's own parser must take it too.
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    return ::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) != FALSE;
}

}  // namespace quarnel::platform
