// SPDX-License-Identifier: MIT
// Reading and writing freedesktop.org desktop entries for the autostart
// folder: one program, started with no arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::platform {

// True when the text can stand in a desktop entry value: no control
// characters other than tab, newline and carriage return.
bool FitsDesktopEntry(std::string_view utf8);

// A desktop entry that starts command as one program path.
std::string ComposeDesktopEntry(std::string_view name, std::string_view command);

// The keys of the entry's [Desktop Entry] group that autostart looks at.
struct DesktopEntryKeys {
    std::optional<std::string> exec;  // as written, escapes undone
    bool hidden = false;              // Hidden=true
    bool gnomeDisabled = false;       // X-GNOME-Autostart-enabled=false
    // Switched off by the desktop: the entry starts nothing.
    bool Disabled() const { return hidden || gnomeDisabled; }
};
DesktopEntryKeys ParseDesktopEntry(std::string_view content);

// Exec's arguments with their quoting undone and "%%" read as "%";
// nothing when the quoting is broken.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

// The command an Exec line starts: its one argument unquoted, or the line
// as written when it has more than one.
std::string CommandFromExec(std::string_view exec);

}  // namespace quarnel::platform
