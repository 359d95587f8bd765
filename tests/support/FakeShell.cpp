// SPDX-License-Identifier: MIT
#include "FakeShell.h"

#include <cstring>

#include "base/Ansi.h"

namespace quarnel::test {

bool FakeShell::Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) {
    calls.push_back({message, data});
    return refused.count(message) == 0;
}

std::string FakeShell::TextOf(const char* field, size_t size) {
    return AnsiToUtf8(std::string(field, strnlen(field, size)));
}

std::vector<std::string> FakeShell::Balloons() const {
    std::vector<std::string> balloons;
    for (const Call& call : calls) {
        if (call.message != platform::NIM_MODIFY || call.data.uFlags != platform::NIF_INFO)
            continue;
        balloons.push_back(Text(call.data.szInfoTitle) + "|" + Text(call.data.szInfo) + "|" +
                           std::to_string(call.data.dwInfoFlags));
    }
    return balloons;
}

}  // namespace quarnel::test
