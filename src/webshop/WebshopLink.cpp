// SPDX-License-Identifier: MIT
#include "webshop/WebshopLink.h"

#include <algorithm>
#include <cstdlib>

#include "settings/SharedSettings.h"

#ifndef QUARNEL_WEBSHOP_HOST
#error "QUARNEL_WEBSHOP_HOST must name the web shop's host"
#endif

namespace quarnel {

namespace {

std::optional<int32_t> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int32_t port = std::stoi(std::string(text));
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

bool ValidHostText(std::string_view host) {
    return !host.empty() && std::none_of(host.begin(), host.end(), [](unsigned char c) {
        return c <= 0x20 || c >= 0x7F || c == '/' || c == '@' || c == '?' || c == '#';
    });
}

}  // namespace

std::optional<WebshopAddress> ParseWebshopAddress(std::string_view text) {
    std::string_view host = text;
    std::string_view portText;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return std::nullopt;
            portText = rest.substr(1);
            if (portText.empty()) return std::nullopt;
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos) {
            host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            if (portText.empty()) return std::nullopt;
        }
    }
    if (!ValidHostText(host) || (!text.starts_with('[') && host.find(':') != std::string::npos)) {
        return std::nullopt;
    }
    WebshopAddress address{std::string(host), 80};
    if (!portText.empty()) {
        std::optional<int32_t> port = ParsePort(portText);
        if (!port) return std::nullopt;
        address.port = *port;
    }
    return address;
}

WebshopAddress ConfiguredWebshopAddress() {
    const char* value = std::getenv(kWebshopEnvironmentVariable);
    if (value == nullptr || *value == '\0') return {QUARNEL_WEBSHOP_HOST, 80};
    std::optional<WebshopAddress> address = ParseWebshopAddress(value);
    if (!address) return {value, 80};
    return *address;
}

WebshopIdentification IdentificationFromSettings() {
    std::shared_ptr<clsSettings> settings = Settings();
    if (!settings) return {};
    return {settings->Debtor(), settings->User(), settings->Password()};
}

WebshopLink SystemWebshopLink() {
    WebshopAddress address = ConfiguredWebshopAddress();
    return WebshopLink{platform::SystemHttpApi(), platform::SystemUrlOpener(),
                       std::move(address.host), address.port, IdentificationFromSettings};
}

std::string WebshopUrl(const std::string& host, int32_t port, std::string_view path) {
    const bool literalV6 = host.find(':') != std::string::npos;
    std::string url = "http://";
    if (literalV6) url += '[';
    url += host;
    if (literalV6) url += ']';
    if (port != 80) {
        url += ':';
        url += std::to_string(port);
    }
    url += '/';
    url += path;
    return url;
}

}  // namespace quarnel
