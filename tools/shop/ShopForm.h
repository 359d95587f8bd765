// SPDX-License-Identifier: MIT
// Form and query decoding for the reference web shop. The program encodes
// Windows-1252 bytes, so decoded values are taken as Windows-1252 and
// returned as UTF-8.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarnel::shop {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// name=value pairs joined by "&", "+" for blank, %XX for any byte; in the
// order they came.
FormFields DecodeForm(std::string_view encoded);

// Only the fields with one of those names; the other values are not decoded.
FormFields DecodeFields(std::string_view encoded, std::initializer_list<std::string_view> names);

// How many fields DecodeForm would return, without decoding them.
size_t CountFields(std::string_view encoded);

// The first value of that field, or nullptr.
const std::string* FindField(const FormFields& fields, std::string_view name);

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(std::string_view text);

}  // namespace quarnel::shop
