// SPDX-License-Identifier: MIT
// quarnel-reg: reads and hand-edits the Quarnel registry store, in the
// manner of Windows' reg.exe.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "RegCommand.h"
#include "RegTool.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"

namespace {

// Asks on the terminal; without one nobody can answer.
bool AskUser(const std::string& question) {
    if (isatty(STDIN_FILENO) == 0) return false;
    std::cout << question << std::flush;
    std::string answer;
    return std::getline(std::cin, answer) && !answer.empty() &&
           (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quarnel;
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "quarnel-reg " << QUARNEL_VERSION << "\n";
        return 0;
    }
    auto parsed = reg::ParseRegCommand(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::cout << reg::kRegUsage;
        return 0;
    }
    if (!parsed.command) {
        std::cerr << parsed.error << "\n";
        return 1;
    }
    auto registry = platform::OpenUserRegistry(platform::SystemSerialPortTable());
    reg::RegIo io{std::cout, std::cerr, AskUser};
    return reg::RunRegCommand(*parsed.command, *registry, io);
}
