// SPDX-License-Identifier: MIT
// The autostart entry reader: any file content, and the Exec line of any
// command written and read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "backends/linux/DesktopEntry.h"

using namespace quarnel::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const DesktopEntryKeys keys = ParseDesktopEntry(text);
    if (keys.exec) {
        SplitExec(*keys.exec);
        CommandFromExec(*keys.exec);
    }

    // What the program writes for a command must start that same command.
    if (FitsDesktopEntry(text)) {
        const DesktopEntryKeys written = ParseDesktopEntry(ComposeDesktopEntry("Quarnel", text));
        FUZZ_CHECK(written.exec.has_value());
        FUZZ_CHECK(!written.hidden);
        FUZZ_CHECK(CommandFromExec(*written.exec) == text);
    }
    return 0;
}
