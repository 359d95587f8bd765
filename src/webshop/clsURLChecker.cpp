// SPDX-License-Identifier: MIT
#include "webshop/clsURLChecker.h"

#include "platform/HttpApi.h"

namespace quarnel {

bool clsURLChecker::URLAvailable(const std::string& url) const {
    // A NUL would end the text the parser sees, hiding what follows it.
    if (url.find('\0') != std::string::npos) return false;
    return platform::IsWellFormedUrl(url);
}

}  // namespace quarnel
