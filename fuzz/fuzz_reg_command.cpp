// SPDX-License-Identifier: MIT
// quarnel-reg's command line: the input split at NUL bytes into arguments,
// parsed and carried out on a registry held in memory.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "MemoryRegistry.h"
#include "RegCommand.h"
#include "RegTool.h"

using namespace quarnel;

namespace {

void Put(fuzz::MemoryRegistry& registry, const std::string& name, uint32_t type,
         const std::string& data) {
    registry.At(platform::HKEY_CURRENT_USER, "Software\\Hollinde\\Quarnel")
        .push_back({name, type, std::vector<uint8_t>(data.begin(), data.end())});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(std::move(current));
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size > 0) args.push_back(std::move(current));

    const reg::ParsedCommand parsed = reg::ParseRegCommand(args);
    FUZZ_CHECK(parsed.command.has_value() + parsed.help + !parsed.error.empty() == 1);
    if (!parsed.command) return 0;

    fuzz::MemoryRegistry registry;
    Put(registry, "User", platform::REG_SZ, std::string("jan\xe9\0", 5));
    Put(registry, "TraceFile", platform::REG_EXPAND_SZ, std::string("%HOME%\\t\0", 9));
    Put(registry, "Count", platform::REG_DWORD, std::string("\x2a\0\0\0", 4));
    Put(registry, "Odd", platform::REG_DWORD, std::string("\x01\x02", 2));
    Put(registry, "Raw", platform::REG_BINARY, std::string("\x00\xff\x10", 3));
    Put(registry, "NoEnd", platform::REG_SZ, "abc");
    std::ostringstream out;
    std::ostringstream err;
    reg::RegIo io{out, err, [size](const std::string&) { return size % 2 == 0; }};
    const int status = reg::RunRegCommand(*parsed.command, registry, io);
    FUZZ_CHECK(status == 0 || status == 1);
    FUZZ_CHECK(status == 0 || !err.str().empty());
    return 0;
}
