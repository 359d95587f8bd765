// SPDX-License-Identifier: MIT
#include "base/Numeric.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quarnel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool PlainWholeNumber(std::string_view text, int32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    int32_t digits = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        digits = digits * 10 + (c - '0');
    }
    value = digits;
    return true;
}

std::optional<double> ParseNumeric(std::string_view text) {
    return ParseNumeric(text, platform::UserLanguage());
}

std::optional<double> ParseNumeric(std::string_view text, platform::Language language) {
    if (int32_t plain = 0; PlainWholeNumber(text, plain)) return plain;
    const bool commaDecimal = language == platform::Language::Dutch;
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return std::nullopt;
    size_t end = text.find_last_not_of(' ') + 1;
    std::string_view body = text.substr(begin, end - begin);

    // Rebuild the number in plain "." form while checking the grammar.
    std::string normal;
    size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) normal += body[i++];
    size_t digits = 0;
    while (i < body.size() && IsDigit(body[i])) {
        normal += body[i++];
        ++digits;
    }
    if (i < body.size() && (body[i] == '.' || (commaDecimal && body[i] == ','))) {
        normal += '.';
        ++i;
        while (i < body.size() && IsDigit(body[i])) {
            normal += body[i++];
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) normal += body[i++];
        size_t exponentDigits = 0;
        while (i < body.size() && IsDigit(body[i])) {
            normal += body[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != body.size()) return std::nullopt;
    // from_chars ignores the C locale, which a GUI toolkit may have changed.
    double value = 0;
    const char* first = normal.data() + (normal[0] == '+' ? 1 : 0);
    auto [ptr, ec] = std::from_chars(first, normal.data() + normal.size(), value);
    if (ec != std::errc() || ptr != normal.data() + normal.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace quarnel
