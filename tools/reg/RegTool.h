// SPDX-License-Identifier: MIT
// Carries out one quarnel-reg command on a registry.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "RegCommand.h"
#include "platform/RegistryApi.h"

namespace quarnel::reg {

struct RegIo {
    std::ostream& out;
    std::ostream& err;
    // Asks a yes/no question; false when nobody can answer.
    std::function<bool(const std::string& question)> confirm;
};

// The process exit status: 0 on success, 1 with a message on err otherwise.
int RunRegCommand(const RegCommand& command, platform::RegistryApi& registry, RegIo& io);

// One value as "query" shows it: the type's name and the data as text.
std::string RegTypeName(uint32_t type);
std::string RegDataText(uint32_t type, const std::string& data);

}  // namespace quarnel::reg
