// SPDX-License-Identifier: MIT
// ExpandEnvironmentStringsA over the C library's environment, names as written.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/RegistryApi.h"

namespace quarnel::platform {

// %NAME% references to the environment; an unknown or empty name stays as
// written with both its percent signs, and a lone "%" stays as it is.
uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, uint32_t size) {
    const std::string_view text = src != nullptr ? src : "";
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        const size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out += text.substr(i);
            break;
        }
        out += text.substr(i, open - i);
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        out += value != nullptr ? std::string_view(value) : text.substr(open, close - open + 1);
        i = close + 1;
    }
    const size_t needed = out.size() + 1;
    if (dst != nullptr && needed <= size) std::memcpy(dst, out.c_str(), needed);
    return static_cast<uint32_t>(needed);
}

}  // namespace quarnel::platform
