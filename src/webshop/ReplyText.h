// SPDX-License-Identifier: MIT
// The shop's reply and messages as the trace and the user see them: a shop
// that answers with pages of text must not flood either.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarnel {

inline constexpr size_t kMaxShownReplyCharacters = 1000;

// The text cut after its first 1,000 characters, with "..." appended when
// anything was cut. Characters are UTF-8 sequences, never split.
std::string ShownReplyText(std::string_view text);

}  // namespace quarnel
