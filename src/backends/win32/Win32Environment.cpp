// SPDX-License-Identifier: MIT
// ExpandEnvironmentStringsA over the system's own expansion. The UTF-16
// form is used so that a value outside the code page (a user name, say)
// comes through whole in the program's UTF-8.
#include <cstring>
#include <string>

#include "backends/win32/Win32Text.h"
#include "platform/RegistryApi.h"

namespace quarnel::platform {

uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, uint32_t size) {
    const std::wstring source = WideFromUtf8(src != nullptr ? src : "");
    std::wstring expanded(source.size() + 1, L'\0');
    // The needed size changes when a variable changes in between: ask again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(),
                                                         static_cast<DWORD>(expanded.size()));
        if (needed == 0) return 0;
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            const std::string out = Utf8FromWide(expanded);
            const size_t total = out.size() + 1;
            if (dst != nullptr && total <= size) std::memcpy(dst, out.c_str(), total);
            return static_cast<uint32_t>(total);
        }
        expanded.assign(needed, L'\0');
    }
    return 0;
}

}  // namespace quarnel::platform
