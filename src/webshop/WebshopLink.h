// SPDX-License-Identifier: MIT
// Everything the order submission reaches outside the order: the HTTP
// client, the URL opener, the shop's address and the customer's
// identification.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/HttpApi.h"
#include "platform/UrlOpener.h"

namespace quarnel {

inline constexpr const char* kWebshopSubmissionPath = "nl/quarnel/quarnel.aspx";
inline constexpr const char* kWebshopOrderPagePath = "nl/quarnel/quarnelorder.aspx";
// Overrides the shop's host (and port) of the build: "host" or "host:port".
inline constexpr const char* kWebshopEnvironmentVariable = "QUARNEL_WEBSHOP";

struct WebshopIdentification {
    std::string debtor;
    std::string user;
    std::string password;
};

struct WebshopLink {
    std::shared_ptr<platform::HttpApi> http;
    std::shared_ptr<platform::UrlOpener> opener;
    std::string host;
    int32_t port = 80;
    // Read afresh at every use, as the settings may change in between.
    std::function<WebshopIdentification()> identification;
};

struct WebshopAddress {
    std::string host;
    int32_t port = 80;
};

// "host", "host:port", "[v6]" or "[v6]:port" with a port of 1 to 65535.
std::optional<WebshopAddress> ParseWebshopAddress(std::string_view text);

// The build's shop host on port 80, unless QUARNEL_WEBSHOP names another. A
// value that cannot be parsed is kept whole as the host, so that it fails to
// connect rather than reaching the build's shop.
WebshopAddress ConfiguredWebshopAddress();

// Debtor, user and password from the shared settings (empty without them).
WebshopIdentification IdentificationFromSettings();

// The link of the running program: the system's HTTP client and URL opener,
// the configured address and the settings' identification.
WebshopLink SystemWebshopLink();

// "http://" host[":" port] "/" path; the port is left out when it is 80.
std::string WebshopUrl(const std::string& host, int32_t port, std::string_view path);

}  // namespace quarnel
