// SPDX-License-Identifier: MIT
// The URL check with libcurl's URL parser.
#include <curl/curl.h>

#include <memory>

#include "platform/HttpApi.h"

namespace quarnel::platform {

bool IsWellFormedUrl(const std::string& url) {
    // A NUL would end the text the parser sees, hiding what follows it.
    if (url.find('\0') != std::string::npos) return false;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    if (!parsed) return false;
    // Any scheme is syntax enough; a text without one is not guessed at.
    return curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) ==
           CURLUE_OK;
}

}  // namespace quarnel::platform
