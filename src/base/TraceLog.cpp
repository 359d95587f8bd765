// SPDX-License-Identifier: MIT
#include "base/TraceLog.h"

#include <ctime>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/modUtils.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace quarnel {

namespace {

std::shared_ptr<const TraceSettings> g_traceSettings;

// "dd-mm-yyyy hh:nn:ss" and the TAB.
constexpr size_t kStampSize = 20;

void PutDigits(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

bool PlainStamp(const DateTime& when) {
    return when.year >= 0 && when.year <= 9999 && when.month >= 0 && when.month <= 99 &&
           when.day >= 0 && when.day <= 99 && when.hour >= 0 && when.hour <= 99 &&
           when.minute >= 0 && when.minute <= 99 && when.second >= 0 && when.second <= 99;
}

void AppendStamp(std::string& line, const DateTime& when) {
    if (!PlainStamp(when)) {
        line += Pad(when.day, 2) + "-" + Pad(when.month, 2) + "-" + Pad(when.year, 4) + " " +
                Pad(when.hour, 2) + ":" + Pad(when.minute, 2) + ":" + Pad(when.second, 2) + "\t";
        return;
    }
    char stamp[kStampSize] = {'0', '0', '-', '0', '0', '-', '0', '0', '0', '0',
                              ' ', '0', '0', ':', '0', '0', ':', '0', '0', '\t'};
    PutDigits(stamp, when.day, 2);
    PutDigits(stamp + 3, when.month, 2);
    PutDigits(stamp + 6, when.year, 4);
    PutDigits(stamp + 11, when.hour, 2);
    PutDigits(stamp + 14, when.minute, 2);
    PutDigits(stamp + 17, when.second, 2);
    line.append(stamp, kStampSize);
}

// The time stamp of the current second; entries come in bursts, so the
// local time is worked out once a second.
const std::string& CurrentStamp() {
    static std::time_t stampTime = -1;
    static std::string stamp;
    const std::time_t now = std::time(nullptr);
    if (now != stampTime) {
        stamp.clear();
        AppendStamp(stamp, DateTime::FromTimeT(now));
        stampTime = now;
    }
    return stamp;
}

// The message with each CR LF turned into a blank.
void AppendMessage(std::string& line, std::string_view message) {
    size_t start = 0;
    for (size_t at = message.find("\r\n"); at != std::string_view::npos;
         at = message.find("\r\n", start)) {
        line.append(message.substr(start, at - start));
        line += ' ';
        start = at + 2;
    }
    line.append(message.substr(start));
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
    std::string line;
    line.reserve(kStampSize + 2 + message.size());
    AppendStamp(line, when);
    if (detail) line += "  ";
    AppendMessage(line, message);
    return line;
}

void WriteTrace(std::string_view message, bool detail, bool blankLine) {
    try {
        // Keep the settings alive for this entry even if tracing is stopped meanwhile.
        std::shared_ptr<const TraceSettings> settings = g_traceSettings;
        if (!settings) return;
        if (detail ? !ExtendedLogging() : !(ExtendedLogging() || settings->TraceEvents())) return;
        const std::string traceFile = settings->TraceFile();
        if (traceFile.empty()) return;

        const size_t lastSeparator = traceFile.rfind(platform::PathSeparator());
        if (lastSeparator == std::string::npos) return;
        const std::string folder = traceFile.substr(0, lastSeparator + 1);
        // The folder nearly always exists: one look, and the full check
        // (which may create it and write its own entry) only when it does not.
        if (platform::KindOfPath(folder) != platform::FileKind::Folder &&
            !CheckCreateFolder(folder, true))
            return;

        std::string bytes;
        bytes.reserve(2 + kStampSize + 2 + message.size() + 2);
        if (blankLine) bytes += "\r\n";
        bytes += CurrentStamp();
        if (detail) bytes += "  ";
        // CR and LF are the same in both encodings, so the folding can come first.
        if (IsAscii(message)) {
            AppendMessage(bytes, message);
        } else {
            std::string folded;
            AppendMessage(folded, message);
            bytes += Utf8ToAnsi(folded);
        }
        bytes += "\r\n";
        // The trace names the shop user and the folders: only the user may
        // read it. A line cut short by a full disk is taken back, so that the
        // entries written once space is back start on a line of their own.
        platform::AppendPrivate(traceFile, bytes);
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
