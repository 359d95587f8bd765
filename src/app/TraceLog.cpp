#include "app/TraceLog.h"

#include <cstdio>

#include "app/Ansi.h"
#include "app/ErrorInfo.h"
#include "app/modUtils.h"
#include "platform/Paths.h"

namespace quarnel {

namespace {

std::shared_ptr<const TraceSettings> g_traceSettings;

void AppendFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace

namespace trace_internal {

bool extendedLogging = false;

bool Wanted(bool detail) {
    if (!g_traceSettings) return false;
    if (detail) return extendedLogging;
    return extendedLogging || g_traceSettings->TraceEvents();
}

}  // namespace trace_internal

void SetExtendedLogging(bool on) {
    trace_internal::extendedLogging = on;
}

void SetTraceSettings(std::shared_ptr<const TraceSettings> settings) {
    g_traceSettings = std::move(settings);
}

std::string FormatTraceLine(const DateTime& when, std::string_view message, bool detail) {
    std::string line = Pad(when.day, 2) + "-" + Pad(when.month, 2) + "-" + Pad(when.year, 4) + " " +
                       Pad(when.hour, 2) + ":" + Pad(when.minute, 2) + ":" + Pad(when.second, 2) +
                       "\t" + (detail ? "  " : "");
    line.reserve(line.size() + message.size());
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            line += ' ';
            ++i;
        } else {
            line += message[i];
        }
    }
    return line;
}

void WriteTrace(std::string_view message, bool detail, bool blankLine) {
    try {
        // Keep the settings alive for this entry even if tracing is stopped meanwhile.
        std::shared_ptr<const TraceSettings> settings = g_traceSettings;
        if (!settings) return;
        const std::string traceFile = settings->TraceFile();
        if (traceFile.empty()) return;
        if (detail ? !ExtendedLogging() : !(settings->TraceEvents() || ExtendedLogging())) return;

        size_t lastSeparator = traceFile.rfind(platform::PathSeparator());
        if (lastSeparator == std::string::npos) return;
        if (!CheckCreateFolder(traceFile.substr(0, lastSeparator + 1), true)) return;

        std::string bytes = blankLine ? "\r\n" : "";
        bytes += Utf8ToAnsi(FormatTraceLine(DateTime::Now(), message, detail));
        bytes += "\r\n";
        AppendFile(traceFile, bytes);
    } catch (...) {
        // A trace entry that cannot be written is dropped without a word.
    }
}

std::string TraceValue(bool value) {
    return value ? "True" : "False";
}

std::string TraceValue(const DateTime& value) {
    return ShortDateTime(value);
}

std::string TraceArgs(std::initializer_list<std::pair<std::string_view, std::string>> pairs) {
    std::string args;
    for (const auto& [name, value] : pairs) {
        if (!args.empty()) args += ", ";
        args += name;
        args += " = ";
        args += value;
    }
    return args;
}

namespace {

std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text += part;
    return text;
}

}  // namespace

void trace_internal::WriteDetail(std::initializer_list<std::string_view> parts) {
    if (TraceEnabled(true)) WriteTrace(Concat(parts), true);
}

namespace trace {

void Event(std::string_view message) {
    WriteTrace(message, false);
}

void Error(std::string_view what) {
    if (TraceEnabled(false)) WriteTrace(Concat({what, ErrorText()}), false);
}

void DetailError(std::string_view what) {
    if (TraceEnabled(true)) WriteTrace(Concat({what, ErrorText()}), true);
}

void Detail(std::string_view message) {
    WriteTrace(message, true);
}

}  // namespace trace

}  // namespace quarnel
