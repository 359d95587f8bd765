// SPDX-License-Identifier: MIT
// The command line of quarnel-reg, in the manner of Windows' reg.exe:
//   query KEY [/v NAME]
//   add KEY [/v NAME [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/d DATA]] [/f]
//   delete KEY /v NAME [/f]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"

namespace quarnel::reg {

enum class RegAction { Query, Add, Delete };

// The Win32 names used here, which <windows.h> makes macros that a
// qualified name cannot follow.
namespace reg_names {
using namespace platform;
inline constexpr uint32_t kText = REG_SZ;
}  // namespace reg_names

struct RegCommand {
    RegAction action = RegAction::Query;
    platform::HKEY hive{};
    std::string hiveName;  // "HKEY_CURRENT_USER"
    std::string keyPath;   // below the hive, UTF-8, no trailing "\"
    std::optional<std::string> valueName;
    uint32_t type = reg_names::kText;
    std::optional<std::string> data;
    bool force = false;

    // hiveName + "\" + keyPath, as reg.exe prints it.
    std::string FullKey() const;
};

struct ParsedCommand {
    std::optional<RegCommand> command;
    bool help = false;
    std::string error;  // set when neither command nor help
};

// Options are matched without regard to case and may start with "/" or "-".
ParsedCommand ParseRegCommand(const std::vector<std::string>& args);

extern const char* const kRegUsage;

}  // namespace quarnel::reg
