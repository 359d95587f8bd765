// SPDX-License-Identifier: MIT
#include "RegCommand.h"

#include <algorithm>
#include <cctype>

namespace quarnel::reg {

namespace {

using namespace platform;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

struct Hive {
    const char* shortName;
    const char* longName;
    platform::HKEY key;
};
// Windows spells the hives as casts, which are no constants.
const Hive kHives[] = {{"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                       {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};

bool ParseKey(const std::string& text, RegCommand* command) {
    size_t slash = text.find('\\');
    std::string root = Upper(text.substr(0, slash));
    for (const auto& hive : kHives) {
        if (root != hive.shortName && root != hive.longName) continue;
        command->hive = hive.key;
        command->hiveName = hive.longName;
        command->keyPath = slash == std::string::npos ? "" : text.substr(slash + 1);
        if (!command->keyPath.empty() && command->keyPath.back() == '\\') {
            command->keyPath.pop_back();
        }
        return true;
    }
    return false;
}

std::optional<uint32_t> ParseType(const std::string& text) {
    std::string name = Upper(text);
    if (name == "REG_SZ") return REG_SZ;
    if (name == "REG_EXPAND_SZ") return REG_EXPAND_SZ;
    if (name == "REG_DWORD") return REG_DWORD;
    return std::nullopt;
}

ParsedCommand Failure(std::string error) {
    ParsedCommand parsed;
    parsed.error = "ERROR: " + std::move(error) + "\nType \"quarnel-reg /?\" for usage.";
    return parsed;
}

}  // namespace

const char* const kRegUsage =
    "Reads and edits the Quarnel registry store.\n"
    "\n"
    "quarnel-reg query KEY [/v NAME]\n"
    "quarnel-reg add KEY [/v NAME [/t TYPE] [/d DATA]] [/f]\n"
    "quarnel-reg delete KEY /v NAME [/f]\n"
    "\n"
    "  KEY   HKCU\\Path, HKEY_CURRENT_USER\\Path, HKLM\\Path or HKEY_LOCAL_MACHINE\\Path\n"
    "  /v    the value's name\n"
    "  /t    REG_SZ (default), REG_EXPAND_SZ or REG_DWORD\n"
    "  /d    the data; a REG_DWORD in decimal or as 0x hexadecimal\n"
    "  /f    overwrite or delete without asking\n";

std::string RegCommand::FullKey() const {
    return keyPath.empty() ? hiveName : hiveName + "\\" + keyPath;
}

ParsedCommand ParseRegCommand(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "/?" || args[0] == "-?" || Upper(args[0]) == "--HELP")) {
        ParsedCommand parsed;
        parsed.help = true;
        return parsed;
    }
    if (args.empty()) return Failure("Invalid syntax.");
    RegCommand command;
    std::string action = Upper(args[0]);
    if (action == "QUERY") {
        command.action = RegAction::Query;
    } else if (action == "ADD") {
        command.action = RegAction::Add;
    } else if (action == "DELETE") {
        command.action = RegAction::Delete;
    } else {
        return Failure("Invalid operation '" + args[0] + "'.");
    }
    if (args.size() < 2) return Failure("Invalid syntax: KEY is missing.");
    if (!ParseKey(args[1], &command)) return Failure("Invalid key name '" + args[1] + "'.");

    bool typeGiven = false;
    for (size_t i = 2; i < args.size(); ++i) {
        std::string option = Upper(args[i]);
        if (option.size() != 2 || (option[0] != '/' && option[0] != '-')) {
            return Failure("Invalid argument '" + args[i] + "'.");
        }
        char letter = option[1];
        if (letter == 'F' && command.action != RegAction::Query) {
            command.force = true;
            continue;
        }
        bool allowed =
            letter == 'V' || (command.action == RegAction::Add && (letter == 'T' || letter == 'D'));
        if (!allowed) return Failure("Invalid option '" + args[i] + "'.");
        if (i + 1 == args.size()) return Failure("Option '" + args[i] + "' needs a value.");
        const std::string& value = args[++i];
        bool repeated = false;
        if (letter == 'V') {
            repeated = command.valueName.has_value();
            command.valueName = value;
        } else if (letter == 'D') {
            repeated = command.data.has_value();
            command.data = value;
        } else {
            repeated = typeGiven;
            typeGiven = true;
            auto type = ParseType(value);
            if (!type) {
                return Failure("Unsupported type '" + value +
                               "': use REG_SZ, REG_EXPAND_SZ or REG_DWORD.");
            }
            command.type = *type;
        }
        if (repeated) return Failure("Option '" + args[i - 1] + "' is given twice.");
    }
    if (command.action == RegAction::Delete && !command.valueName) {
        return Failure("Invalid syntax: delete needs /v NAME.");
    }
    if (command.action == RegAction::Add && !command.valueName && (typeGiven || command.data)) {
        return Failure("Invalid syntax: /t and /d need /v NAME.");
    }
    ParsedCommand parsed;
    parsed.command = std::move(command);
    return parsed;
}

}  // namespace quarnel::reg
