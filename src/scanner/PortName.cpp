// SPDX-License-Identifier: MIT
#include "scanner/PortName.h"

#include <algorithm>
#include <cctype>

#include "base/TextCompare.h"

namespace quarnel {

bool IsComPortName(std::string_view name) {
    return StartsWithIgnoreCase(name, "COM");
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
