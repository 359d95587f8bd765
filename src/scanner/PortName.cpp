#include "scanner/PortName.h"

#include <algorithm>
#include <cctype>

namespace quarnel {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsComPortName(std::string_view name) {
    return StartsWithNoCase(name, "COM");
}

int64_t ComPortNumber(std::string_view name) {
    std::string_view rest = name.size() > 3 ? name.substr(3) : std::string_view{};
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    int64_t number = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') break;
        number = std::min(number * 10 + (c - '0'), kPortNumberCeiling);
    }
    return number;
}

}  // namespace quarnel
