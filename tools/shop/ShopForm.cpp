// SPDX-License-Identifier: MIT
#include "ShopForm.h"

#include "base/Ansi.h"

namespace quarnel::shop {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Decode(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            bytes += c;  // a stray "%" stays as it is
        }
    }
    return AnsiToUtf8(bytes);
}

// Calls visit(name, value) for each non-empty name=value pair, still encoded.
template <typename Visit>
void ForEachPair(std::string_view encoded, Visit visit) {
    size_t start = 0;
    while (start <= encoded.size()) {
        size_t end = encoded.find('&', start);
        if (end == std::string_view::npos) end = encoded.size();
        const std::string_view pair = encoded.substr(start, end - start);
        if (!pair.empty()) {
            const size_t equals = pair.find('=');
            if (equals == std::string_view::npos) {
                visit(pair, std::string_view());
            } else {
                visit(pair.substr(0, equals), pair.substr(equals + 1));
            }
        }
        start = end + 1;
    }
}

}  // namespace

FormFields DecodeForm(std::string_view encoded) {
    FormFields fields;
    ForEachPair(encoded, [&](std::string_view name, std::string_view value) {
        fields.emplace_back(Decode(name), Decode(value));
    });
    return fields;
}

FormFields DecodeFields(std::string_view encoded, std::initializer_list<std::string_view> names) {
    FormFields fields;
    ForEachPair(encoded, [&](std::string_view name, std::string_view value) {
        std::string decoded = Decode(name);
        for (std::string_view wanted : names) {
            if (decoded == wanted) {
                fields.emplace_back(std::move(decoded), Decode(value));
                return;
            }
        }
    });
    return fields;
}

size_t CountFields(std::string_view encoded) {
    size_t count = 0;
    ForEachPair(encoded, [&](std::string_view, std::string_view) { ++count; });
    return count;
}

const std::string* FindField(const FormFields& fields, std::string_view name) {
    for (const auto& [fieldName, value] : fields) {
        if (fieldName == name) return &value;
    }
    return nullptr;
}

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace quarnel::shop
