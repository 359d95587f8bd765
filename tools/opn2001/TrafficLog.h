// SPDX-License-Identifier: MIT
// A hex dump of every byte the library sends and receives, appended to the
// file named by QUARNEL_OPN2001_LOG (nothing when unset), readable by the user alone. The program's
// trace cannot see the wire, so this is what a report about a real scanner
// needs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace quarnel::opn2001 {

inline constexpr const char* kLogVariable = "QUARNEL_OPN2001_LOG";

class TrafficLog {
  public:
    // Opens the file named by the environment, if any.
    static TrafficLog FromEnvironment();
    TrafficLog() = default;
    ~TrafficLog();
    TrafficLog(TrafficLog&& other) noexcept;
    TrafficLog& operator=(TrafficLog&& other) noexcept;

    // direction: '>' sent, '<' received, '!' a remark (bytes then empty).
    void Write(char direction, std::span<const uint8_t> bytes, std::string_view remark = {});

  private:
    std::FILE* file_ = nullptr;
};

std::string HexDump(std::span<const uint8_t> bytes);

}  // namespace quarnel::opn2001
