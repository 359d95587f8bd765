// SPDX-License-Identifier: MIT
// Measures texts in the form's font, in twips. The toolkit layer measures
// with its font metrics; tests use a fixed-width fake.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel::ui {

class TextMetrics {
  public:
    virtual ~TextMetrics() = default;
    // Width of the text on one line.
    virtual int32_t TextWidth(const std::string& text) const = 0;
    // Height of the text: one line when wrapWidth is 0, otherwise the
    // lines it takes when word-wrapped within wrapWidth.
    virtual int32_t TextHeight(const std::string& text, int32_t wrapWidth = 0) const = 0;
};

}  // namespace quarnel::ui
