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

struct RegCommand {
    RegAction action = RegAction::Query;
    platform::HKEY hive = 0;
    std::string hiveName;  // "HKEY_CURRENT_USER"
    std::string keyPath;   // below the hive, UTF-8, no trailing "\"
    std::optional<std::string> valueName;
    uint32_t type = platform::REG_SZ;
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
