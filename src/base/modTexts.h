// SPDX-License-Identifier: MIT
// Looks up the user-visible texts by number and fills in their placeholders.
#pragma once

#include <string>
#include <vector>

namespace quarnel {

// The text in the user's language, unchanged.
std::string GetText(int id);
// Every "<<1>>" replaced by param.
std::string GetText(int id, const std::string& param);
// Every "<<i>>" replaced by params[i - 1]; placeholders without a value stay.
std::string GetText(int id, const std::vector<std::string>& params);

}  // namespace quarnel
