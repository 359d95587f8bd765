// SPDX-License-Identifier: MIT
#include "backends/linux/DesktopEntry.h"

#include <cstdint>

namespace quarnel::platform {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// The escapes of the format's string values.
std::string EscapeString(std::string_view text) {
    std::string escaped;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case ' ':
                escaped += i == 0 ? "\\s" : " ";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeString(std::string_view text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        switch (text[++i]) {
            case 's':
                plain += ' ';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'r':
                plain += '\r';
                break;
            case '\\':
                plain += '\\';
                break;
            default:
                plain += '\\';
                plain += text[i];
        }
    }
    return plain;
}

std::string QuoteExecArgument(std::string_view argument) {
    std::string percent;
    for (char c : argument) {
        percent += c;
        if (c == '%') percent += '%';
    }
    if (!percent.empty() && percent.find_first_of(kReserved) == std::string::npos) return percent;
    std::string quoted = "\"";
    for (char c : percent) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

bool FitsDesktopEntry(std::string_view utf8) {
    for (char c : utf8) {
        auto byte = static_cast<uint8_t>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F) return false;
    }
    return true;
}

std::string ComposeDesktopEntry(std::string_view name, std::string_view command) {
    return std::string(kGroup) + "\nType=Application\nName=" + EscapeString(name) +
           "\nExec=" + EscapeString(QuoteExecArgument(command)) + "\n";
}

DesktopEntryKeys ParseDesktopEntry(std::string_view content) {
    DesktopEntryKeys keys;
    bool inGroup = false;
    while (!content.empty()) {
        size_t end = content.find('\n');
        std::string_view line = Trim(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == kGroup;
            continue;
        }
        size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Exec" && !keys.exec) keys.exec = UnescapeString(value);
        if (key == "Hidden") keys.hidden = value == "true";
        if (key == "X-GNOME-Autostart-enabled") keys.gnomeDisabled = value == "false";
    }
    return keys;
}

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            inArgument = true;
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\' && i + 1 < exec.size() &&
                    std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                current += exec[i];
            }
            if (i == exec.size()) return std::nullopt;
        } else {
            inArgument = true;
            current += c;
        }
    }
    if (inArgument) arguments.push_back(std::move(current));
    for (auto& argument : arguments) {
        for (size_t at = argument.find("%%"); at != std::string::npos;
             at = argument.find("%%", at + 1)) {
            argument.erase(at, 1);
        }
    }
    return arguments;
}

std::string CommandFromExec(std::string_view exec) {
    auto arguments = SplitExec(exec);
    if (arguments && arguments->size() == 1) return arguments->front();
    return std::string(exec);
}

}  // namespace quarnel::platform
