// SPDX-License-Identifier: MIT
// The reference shop's form and query decoding, and its agreement with the
// program's own form encoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "ShopForm.h"
#include "base/Ansi.h"
#include "webshop/clsHTTP.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const shop::FormFields fields = shop::DecodeForm(text);
    for (const auto& [name, value] : fields) {
        FUZZ_CHECK(shop::FindField(fields, name) != nullptr);
        shop::HtmlEscape(value);
    }

    // Any Windows-1252 text the program posts arrives unchanged.
    const std::string utf8 = AnsiToUtf8(text);
    const shop::FormFields posted = shop::DecodeForm("deb=" + clsHTTP::URLEncode(utf8) + "&user=x");
    const std::string* debtor = shop::FindField(posted, "deb");
    FUZZ_CHECK(debtor != nullptr && *debtor == utf8);
    return 0;
}
