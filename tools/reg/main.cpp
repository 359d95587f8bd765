// SPDX-License-Identifier: MIT
// quarnel-reg: reads and hand-edits the Quarnel registry store, in the
// manner of Windows' reg.exe.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "RegCommand.h"
#include "RegConsole.h"
#include "RegTool.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"

namespace {

// Asks on the terminal; without one nobody can answer.
bool AskUser(const std::string& question) {
    if (!quarnel::reg::ConsoleCanAsk()) return false;
    quarnel::reg::ConsoleWrite(stdout, question);
    std::string answer;
    return std::getline(std::cin, answer) && !answer.empty() &&
           (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quarnel;
    const std::vector<std::string> args = reg::ConsoleArguments(argc, argv);
    if (args.size() == 1 && args[0] == "--version") {
        reg::ConsoleWrite(stdout, std::string("quarnel-reg ") + QUARNEL_VERSION + "\n");
        return 0;
    }
    auto parsed = reg::ParseRegCommand(args);
    if (parsed.help) {
        reg::ConsoleWrite(stdout, reg::kRegUsage);
        return 0;
    }
    if (!parsed.command) {
        reg::ConsoleWrite(stderr, parsed.error + "\n");
        return 1;
    }
    auto registry = platform::OpenUserRegistry(platform::SystemSerialPortTable());
    // The output is gathered and written in the console's text at the end.
    std::ostringstream out, err;
    reg::RegIo io{out, err, AskUser};
    const int status = reg::RunRegCommand(*parsed.command, *registry, io);
    reg::ConsoleWrite(stdout, out.str());
    reg::ConsoleWrite(stderr, err.str());
    return status;
}
