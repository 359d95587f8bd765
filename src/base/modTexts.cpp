// SPDX-License-Identifier: MIT
#include "base/modTexts.h"

#include "base/ErrorInfo.h"
#include "platform/Locale.h"
#include "resources/TextTable.h"

namespace quarnel {

namespace {

constexpr int32_t kResourceNotFound = 326;

void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (size_t pos = text.find(placeholder); pos != std::string::npos;
         pos = text.find(placeholder, pos + value.size())) {
        text.replace(pos, placeholder.size(), value);
    }
}

}  // namespace

std::string GetText(int id) {
    const char* text = resources::LookupText(id, platform::UserLanguage());
    if (text == nullptr) {
        RaiseError(kResourceNotFound,
                   "Resource with identifier '" + std::to_string(id) + "' not found");
    }
    return text;
}

std::string GetText(int id, const std::string& param) {
    std::string text = GetText(id);
    ReplaceAll(text, "<<1>>", param);
    return text;
}

std::string GetText(int id, const std::vector<std::string>& params) {
    std::string text = GetText(id);
    for (size_t i = 0; i < params.size(); ++i) {
        ReplaceAll(text, "<<" + std::to_string(i + 1) + ">>", params[i]);
    }
    return text;
}

}  // namespace quarnel
