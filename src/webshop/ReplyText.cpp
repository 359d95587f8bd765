// SPDX-License-Identifier: MIT
#include "webshop/ReplyText.h"

namespace quarnel {

std::string ShownReplyText(std::string_view text) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // Each character starts with a byte that is not a continuation byte.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters == kMaxShownReplyCharacters) return std::string(text.substr(0, i)) + "...";
        ++characters;
    }
    return std::string(text);
}

}  // namespace quarnel
