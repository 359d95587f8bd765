// SPDX-License-Identifier: MIT
// A notification area that records every Shell_NotifyIconA call with a copy
// of the record, and refuses the operations it is told to refuse. Otherwise it
// answers as the shell does: icons are known by window and id, an icon is
// added once, and only an icon present is modified or deleted.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/ShellNotify.h"

namespace quarnel::test {

class FakeShell : public platform::ShellNotifyApi {
  public:
    struct Call {
        uint32_t message;
        platform::NotifyIconRecord data;
    };

    bool Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) override;

    // A record's text field up to its NUL, converted to UTF-8.
    template <size_t N>
    static std::string Text(const std::array<char, N>& field) {
        return TextOf(field.data(), N);
    }

    // The balloon calls (NIF_INFO) as "title|text|flags", in call order.
    std::vector<std::string> Balloons() const;

    // The icon of that window and id as the shell holds it, or null.
    const platform::NotifyIconRecord* Icon(platform::HWND window, uint32_t id) const;

    std::vector<Call> calls;
    // Operations (NIM_ADD, ...) answered with failure.
    std::set<uint32_t> refused;

  private:
    static std::string TextOf(const char* field, size_t size);
    bool Apply(uint32_t message, const platform::NotifyIconRecord& data);

    std::map<std::pair<platform::HWND, uint32_t>, platform::NotifyIconRecord> icons_;
};

}  // namespace quarnel::test
