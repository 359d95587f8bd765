// SPDX-License-Identifier: MIT
#include "webshop/clsURLChecker.h"

#include <curl/curl.h>

#include <memory>

namespace quarnel {

bool clsURLChecker::URLAvailable(const std::string& url) const {
    // A NUL would end the text the parser sees, hiding what follows it.
    if (url.find('\0') != std::string::npos) return false;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    if (!parsed) return false;
    // Any scheme is syntax enough; a text without one is not guessed at.
    return curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) ==
           CURLUE_OK;
}

}  // namespace quarnel
