// SPDX-License-Identifier: MIT
// Tells whether a text is a well-formed URL.
#pragma once

#include <string>

namespace quarnel {

class clsURLChecker {
  public:
    // True for a well-formed absolute URL with a scheme; no server is contacted.
    bool URLAvailable(const std::string& url) const;
};

}  // namespace quarnel
